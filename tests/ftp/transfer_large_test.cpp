#include "TransferHarness.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr uint64_t kGiB = 1024ULL * 1024 * 1024;

// FNV-1a, 64 bits: enough to tell two large streams apart.
uint64_t Fnv1a(uint64_t hash, const std::vector<char>& block, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(block[i])) * 0x100000001b3ULL;
    return hash;
}

// Writes a file of reproducible bytes that are not all alike, block by
// block, and returns their hash.
uint64_t WriteGeneratedFile(const std::string& path, uint64_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> block(1 << 20);
    uint64_t state = 42;
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (uint64_t done = 0; done < size; done += block.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), size - done));
        for (size_t i = 0; i < n; ++i, state = state * 6364136223846793005ULL + 1442695040888963407ULL)
            block[i] = static_cast<char>(state >> 56);
        hash = Fnv1a(hash, block, n);
        out.write(block.data(), static_cast<std::streamsize>(n));
    }
    return hash;
}

uint64_t HashFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    uint64_t hash = 0xcbf29ce484222325ULL;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
        hash = Fnv1a(hash, block, static_cast<size_t>(in.gcount()));
    return hash;
}

// Peak resident memory of this process, in KiB.
long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

class LargeTransferTest : public TransferFixture {};

} // namespace

TEST_F(LargeTransferTest, OneGibibyteUpAndDownKeepsEveryByteInFlatMemory)
{
    mkdir(local.File("src").c_str(), 0755);
    mkdir(m_server.Path("in").c_str(), 0755);
    const uint64_t sent = WriteGeneratedFile(local.File("src/big.bin"), kGiB);
    const long before = PeakResidentKiB();

    Put({{local.File("src/big.bin"), false}}, "/in");
    ASSERT_NE(Log().find("Have successfully sent 1 of total 1 files"), std::string::npos) << Log();
    EXPECT_EQ(HashFile(m_server.Path("in/big.bin")), sent);
    std::remove(local.File("src/big.bin").c_str());

    Get({{"/in//big.bin", false}}, local.File("target"));
    ASSERT_NE(Log().find("Have successfully received 1 of total 1 files"), std::string::npos) << Log();
    EXPECT_EQ(HashFile(local.File("target/big.bin")), sent);

    // The data streams through fixed buffers: a gibibyte each way leaves
    // the peak where it was, give or take the sanitizers' bookkeeping.
    EXPECT_LT(PeakResidentKiB() - before, 64 * 1024);
}
