#include "TransferHarness.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr uint64_t kGiB = 1024ULL * 1024 * 1024;

uint64_t WriteStream(const std::string& path, uint64_t size, uint64_t seed)
{
    ftptest::ByteStream bytes(seed);
    ftptest::Fnv1a hash;
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (uint64_t done = 0; done < size; done += block.size()) {
        bytes.Fill(block.data(), block.size());
        hash.Add(block.data(), block.size());
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return hash.Value();
}

uint64_t HashFile(const std::string& path)
{
    ftptest::Fnv1a hash;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
        hash.Add(block.data(), static_cast<size_t>(in.gcount()));
    return hash.Value();
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
    const uint64_t sent = WriteStream(local.File("src/big.bin"), kGiB, 42);
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
