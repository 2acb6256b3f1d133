#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// A local file of a transfer, by descriptor; failures come back with the
// system's message text for the log and the message boxes.
class CLocalFile {
public:
    CLocalFile() = default;
    ~CLocalFile();
    CLocalFile(CLocalFile&& other) noexcept;
    CLocalFile& operator=(CLocalFile&& other) noexcept;
    CLocalFile(const CLocalFile&) = delete;
    CLocalFile& operator=(const CLocalFile&) = delete;

    bool OpenRead(const std::string& path, std::string& error);
    // A new file beside `target` that takes the data until it is complete,
    // so that the file it replaces survives a failed or cancelled transfer.
    bool CreatePartial(const std::string& target, std::string& error);
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

    // Bytes read, 0 at the end, -1 on failure.
    int64_t Read(void* buffer, size_t count, std::string& error);
    bool Write(const void* buffer, size_t count, std::string& error);
    bool Size(uint64_t& size, std::string& error) const;
    // Back to the first byte, to read the file again.
    bool Rewind(std::string& error) { return Seek(0, error); }
    // On to offset, to read on from there.
    bool Seek(uint64_t offset, std::string& error);
    // Empties a file being written, to take its data from the start again.
    bool Truncate(std::string& error);
    // The file's modification time, and setting it (seconds, UTC).
    bool ModifiedTime(std::time_t& time) const;
    bool SetModifiedTime(std::time_t time);
    bool Close(std::string& error);
    // Gives the file the permission bits of an existing file it replaces.
    void CopyModeFrom(const std::string& path);

private:
    int m_fd = -1;
    std::string m_path;
};

// The hidden name a file takes while its data arrives: named after the file
// it will become, as far as the name limit leaves room, with a tag that
// keeps two transfers apart.
std::string PartialFileName(const std::string& name, uint32_t tag);

// The system's message for errno, at most 255 characters.
std::string LocalErrorText(int error);

// Local file system questions of the transfer walks.
bool LocalPathExists(const std::string& path);
bool IsLocalDirectory(const std::string& path);
// Read-only: the owner may not write it.
bool IsLocalReadOnly(const std::string& path);
