#pragma once

#include "app/Settings.h"

#include <optional>

// Where the user left the splitter bars, kept between runs in the settings
// key beside the log options: the log pane's share of the height and the
// folder tree's share of the width, in parts of kPaneShareWhole. Shares, not
// pixels: a window opened smaller keeps every pane in proportion.
inline constexpr int kPaneShareWhole = 10000;
struct CPaneSizes {
    int logShare = 0;
    int treeShare = 0;
};

inline constexpr const char* kLogPaneShareValue = "LogPaneShare";
inline constexpr const char* kTreePaneShareValue = "TreePaneShare";

// Nothing when the key cannot be opened or either value is missing or not
// a share strictly between none and the whole.
std::optional<CPaneSizes> LoadPaneSizes(ISettingsStore& store);
void SavePaneSizes(ISettingsStore& store, const CPaneSizes& sizes);
