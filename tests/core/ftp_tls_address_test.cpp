// The file of certificates trusted always.
#include "ftp/CertificateTrust.h"

#include "TempDir.h"

#include <gtest/gtest.h>

TEST(TrustedCertificatesTest, OneLinePerServerReplacedAsAWhole)
{
    TempDir folder;
    const std::string path = folder.File("trusted.txt");
    const CTrustedCertificates store(path);
    EXPECT_EQ(store.Find("a:21"), "");
    std::string error;
    ASSERT_TRUE(store.Store(CertificateHostPort("a", 21), "AA:01", error)) << error;
    ASSERT_TRUE(store.Store(CertificateHostPort("::1", 990), "BB:02", error)) << error;
    ASSERT_TRUE(store.Store("a:21", "CC:03", error)) << error;
    EXPECT_EQ(ReadWholeFile(path), "[::1]:990 BB:02\na:21 CC:03\n");
    EXPECT_EQ(store.Find("a:21"), "CC:03");
    EXPECT_EQ(store.Find("a:2121"), "");

    // A file that cannot be read is never replaced by a shorter one.
    const CTrustedCertificates folderAsFile(folder.Path());
    EXPECT_FALSE(folderAsFile.Store("a:21", "DD:04", error));
    EXPECT_FALSE(error.empty());
}
