#include "app/PaneSizes.h"

#include <charconv>

namespace {

std::optional<int> ReadShare(ISettingsStore& store, const char* name)
{
    const std::optional<std::string> text = store.ReadValue(name);
    if (!text || text->empty())
        return std::nullopt;
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end || value <= 0 || value >= kPaneShareWhole)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<CPaneSizes> LoadPaneSizes(ISettingsStore& store)
{
    if (!store.OpenKey())
        return std::nullopt;
    const std::optional<int> log = ReadShare(store, kLogPaneShareValue);
    const std::optional<int> tree = ReadShare(store, kTreePaneShareValue);
    if (!log || !tree)
        return std::nullopt;
    return CPaneSizes{*log, *tree};
}

void SavePaneSizes(ISettingsStore& store, const CPaneSizes& sizes)
{
    if (!store.OpenKey())
        return;
    store.WriteValue(kLogPaneShareValue, std::to_string(sizes.logShare));
    store.WriteValue(kTreePaneShareValue, std::to_string(sizes.treeShare));
}
