#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Replaces the file at path with these bytes so that a crash or a full disk
// leaves either the old file or the new one, never half of it: the bytes go
// to a temporary file in the same folder, are flushed, and the temporary file
// is renamed over the target. On failure the old file is untouched, no
// temporary file is left, and error names the file and the cause.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// The same replacement, telling which step failed and its errno. The new file
// gets mode (less the umask), as a file created in place would.
enum class AtomicWriteStep { None, Create, Write, Close, Rename };
struct AtomicWriteResult {
    AtomicWriteStep step = AtomicWriteStep::None;
    int code = 0;
    bool Ok() const { return step == AtomicWriteStep::None; }
};
AtomicWriteResult ReplaceFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                                        unsigned mode);

// Reads a whole regular file of at most maxBytes bytes. Anything else (a
// missing file, a folder, a device, a file too large) fails with a reason
// that names the file.
bool ReadFileBounded(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error);
