#pragma once

#include "app/Settings.h"

#include <optional>

// Where the user left the splitter bars, kept between runs in the settings
// key beside the log options: the log pane's height and the folder tree's
// width, in pixels.
struct CPaneSizes {
    int logHeight = 0;
    int treeWidth = 0;
};

inline constexpr const char* kLogPaneHeightValue = "LogPaneHeight";
inline constexpr const char* kTreePaneWidthValue = "TreePaneWidth";

// Nothing when the key cannot be opened or either value is missing or no
// plain size.
std::optional<CPaneSizes> LoadPaneSizes(ISettingsStore& store);
void SavePaneSizes(ISettingsStore& store, const CPaneSizes& sizes);
