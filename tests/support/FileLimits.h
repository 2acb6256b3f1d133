#pragma once

#include <cstdint>
#include <functional>

// Ways to make file writes fail for real, each undone when fn returns.

// Runs fn while this process may write files of at most maxBytes; writes past
// that fail with EFBIG rather than killing the process.
void RunWithFileSizeLimit(uint64_t maxBytes, const std::function<void()>& fn);

// Runs fn on this thread without the right to pass over file permissions, so
// that a read-only folder refuses new files even when the tests run as root.
void RunWithoutAccessOverride(const std::function<void()>& fn);
