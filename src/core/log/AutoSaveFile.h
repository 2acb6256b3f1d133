#pragma once

#include <cstdint>
#include <string>

// The status log autosave file: opened once, appended line by line, never
// truncated. Errors come back as texts for the caller's messages.
class CAutoSaveFile {
public:
    static constexpr uint64_t kSizeWarningBytes = 104857600;  // 100 MiB

    CAutoSaveFile() = default;
    ~CAutoSaveFile();
    CAutoSaveFile(const CAutoSaveFile&) = delete;
    CAutoSaveFile& operator=(const CAutoSaveFile&) = delete;

    // Opens for reading and writing, creating it when missing, and holds an
    // exclusive lock so that no other writer interleaves. False with the cause.
    bool Open(const std::string& path, std::string& cause);
    bool IsOpen() const { return m_fd >= 0; }
    // The file's length when it was opened.
    uint64_t OpenedSize() const { return m_openedSize; }
    // Writes the bytes at the end of the file. False with the cause.
    bool Append(const std::string& bytes, std::string& cause);

private:
    int m_fd = -1;
    uint64_t m_openedSize = 0;
};

// A file error's message, as long as the log and the message boxes take it.
std::string FileErrorText(int error);
