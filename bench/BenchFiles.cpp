#include "BenchFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

FilePtr Open(const std::string& path, const char* mode) { return FilePtr(std::fopen(path.c_str(), mode), &std::fclose); }

std::string ErrnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

void FillPattern(std::vector<uint64_t>& words, uint64_t& state)
{
    for (uint64_t& word : words) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        word = state;
    }
}

} // namespace

bool WritePatternFile(const std::string& path, uint64_t bytes, uint64_t seed, std::string& error)
{
    FilePtr file = Open(path, "wb");
    if (!file) {
        error = ErrnoText("cannot create", path);
        return false;
    }
    std::vector<uint64_t> block(1 << 17);   // 1 MiB
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    uint64_t left = bytes;
    while (left > 0) {
        FillPattern(block, state);
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size() * sizeof(uint64_t)));
        if (std::fwrite(block.data(), 1, n, file.get()) != n) {
            error = ErrnoText("cannot write", path);
            return false;
        }
        left -= n;
    }
    if (std::fclose(file.release()) != 0) {
        error = ErrnoText("cannot write", path);
        return false;
    }
    return true;
}

bool WriteFolderOfFiles(const std::string& folder, int count, uint64_t bytes, std::string& error)
{
    if (!MakeFolder(folder, 0755, error))
        return false;
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%05d", i);
        if (!WritePatternFile(folder + "/" + name, bytes, static_cast<uint64_t>(i) + 7, error))
            return false;
    }
    return true;
}

bool MakeFolder(const std::string& path, unsigned mode, std::string& error)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec || chmod(path.c_str(), mode) != 0) {
        error = "cannot create the folder " + path + (ec ? ": " + ec.message() : "");
        return false;
    }
    return true;
}

void RemoveTree(const std::string& path)
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

bool CheckFolderOfFiles(const std::string& folder, int count, uint64_t bytes, std::string& error)
{
    std::error_code ec;
    int found = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file() || entry.file_size() != bytes) {
            error = "unexpected entry " + entry.path().string();
            return false;
        }
        ++found;
    }
    if (ec) {
        error = "cannot read " + folder + ": " + ec.message();
        return false;
    }
    if (found != count) {
        error = folder + " holds " + std::to_string(found) + " files, not " + std::to_string(count);
        return false;
    }
    return true;
}

bool SameContents(const std::string& a, const std::string& b, std::string& error)
{
    FilePtr fa = Open(a, "rb");
    FilePtr fb = Open(b, "rb");
    if (!fa || !fb) {
        error = ErrnoText("cannot open", fa ? b : a);
        return false;
    }
    std::vector<char> ba(1 << 20), bb(1 << 20);
    for (;;) {
        const size_t na = std::fread(ba.data(), 1, ba.size(), fa.get());
        const size_t nb = std::fread(bb.data(), 1, bb.size(), fb.get());
        if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) {
            error = b + " differs from " + a;
            return false;
        }
        if (na == 0)
            return true;
    }
}

int64_t CountLines(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    int64_t lines = 0;
    while (std::getline(in, line))
        if (!line.empty() && line != "\r")
            ++lines;
    return lines;
}
