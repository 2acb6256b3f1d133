#include "TransferHarness.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr uint64_t kGiB = 1024ULL * 1024 * 1024;

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
    const uint64_t sent = ftptest::WriteGeneratedFile(local.File("src/big.bin"), kGiB, 42);
    const long before = PeakResidentKiB();

    Put({{local.File("src/big.bin"), false}}, "/in");
    ASSERT_NE(Log().find("Have successfully sent 1 of total 1 files"), std::string::npos) << Log();
    EXPECT_EQ(ftptest::HashFile(m_server.Path("in/big.bin")), sent);
    std::remove(local.File("src/big.bin").c_str());

    Get({{"/in//big.bin", false}}, local.File("target"));
    ASSERT_NE(Log().find("Have successfully received 1 of total 1 files"), std::string::npos) << Log();
    EXPECT_EQ(ftptest::HashFile(local.File("target/big.bin")), sent);

    // The data streams through fixed buffers: a gibibyte each way leaves
    // the peak where it was, give or take the sanitizers' bookkeeping.
    EXPECT_LT(PeakResidentKiB() - before, 64 * 1024);
}
