#include "app/PaneSizes.h"

#include <charconv>

namespace {

// Larger than any screen: a value beyond it was not written by us.
constexpr int kMaxPixels = 100000;

std::optional<int> ReadPixels(ISettingsStore& store, const char* name)
{
    const std::optional<std::string> text = store.ReadValue(name);
    if (!text || text->empty())
        return std::nullopt;
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end || value <= 0 || value > kMaxPixels)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<CPaneSizes> LoadPaneSizes(ISettingsStore& store)
{
    if (!store.OpenKey())
        return std::nullopt;
    const std::optional<int> log = ReadPixels(store, kLogPaneHeightValue);
    const std::optional<int> tree = ReadPixels(store, kTreePaneWidthValue);
    if (!log || !tree)
        return std::nullopt;
    return CPaneSizes{*log, *tree};
}

void SavePaneSizes(ISettingsStore& store, const CPaneSizes& sizes)
{
    if (!store.OpenKey())
        return;
    store.WriteValue(kLogPaneHeightValue, std::to_string(sizes.logHeight));
    store.WriteValue(kTreePaneWidthValue, std::to_string(sizes.treeWidth));
}
