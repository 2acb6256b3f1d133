#include "TransferHarness.h"

#include <gtest/gtest.h>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr uint64_t kBlocks = 1024;   // of 1 MiB: a gibibyte

// Block n of the test file: bytes that are not all alike, with n in front
// so that a block sent twice or out of place shows.
std::vector<char> Block(uint64_t n)
{
    static const std::vector<char> base = [] {
        std::vector<char> bytes(1 << 20);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
        return bytes;
    }();
    std::vector<char> block = base;
    std::memcpy(block.data(), &n, sizeof n);
    return block;
}

bool HoldsTheBlocks(const std::string& path, uint64_t count)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> read(1 << 20);
    for (uint64_t n = 0; n < count; ++n)
        if (!in.read(read.data(), static_cast<std::streamsize>(read.size())) || read != Block(n))
            return false;
    return in.peek() == std::char_traits<char>::eof();
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
    {
        std::ofstream out(local.File("src/big.bin"), std::ios::binary);
        for (uint64_t n = 0; n < kBlocks; ++n)
            out.write(Block(n).data(), 1 << 20);
    }
    const long before = PeakResidentKiB();

    Put({{local.File("src/big.bin"), false}}, "/in");
    ASSERT_NE(Log().find("Have successfully sent 1 of total 1 files"), std::string::npos) << Log();
    EXPECT_TRUE(HoldsTheBlocks(m_server.Path("in/big.bin"), kBlocks));
    std::remove(local.File("src/big.bin").c_str());

    Get({{"/in//big.bin", false}}, local.File("target"));
    ASSERT_NE(Log().find("Have successfully received 1 of total 1 files"), std::string::npos) << Log();
    EXPECT_TRUE(HoldsTheBlocks(local.File("target/big.bin"), kBlocks));

    // The data streams through fixed buffers: a gibibyte each way leaves
    // the peak where it was, give or take the sanitizers' bookkeeping.
    EXPECT_LT(PeakResidentKiB() - before, 64 * 1024);
}
