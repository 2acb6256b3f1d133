// Addresses of encrypted sites, and the file of certificates trusted always.
#include "ftp/CertificateTrust.h"
#include "ftp/SitePort.h"
#include "ftp/UrlParser.h"

#include "TempDir.h"

#include <gtest/gtest.h>

TEST(TlsAddressTest, BothTlsSchemesMeanExplicitTlsOnTheUsualPort)
{
    struct Case {
        const char* text;
        const char* scheme;
        uint16_t port;
        bool encrypted;
    };
    const Case cases[] = {
        {"ftpes://host", "ftpes", 21, true},
        {"FTPS://u:p@host:2121/pub", "ftps", 2121, true},
        {"ftp://host", "ftp", 21, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string normalized;
        const std::optional<ParsedUrl> url = ParseSiteAddress(c.text, &normalized);
        ASSERT_TRUE(url);
        EXPECT_EQ(normalized, c.text);   // kept as typed: no "ftp://" in front
        EXPECT_EQ(url->scheme, c.scheme);
        EXPECT_EQ(url->port, c.port);
        EXPECT_EQ(url->IsEncrypted(), c.encrypted);
        EXPECT_EQ(url->host, "host");
    }
    EXPECT_EQ(SiteConnectionPortText("ftpes://host", "2121"), "2121");
    EXPECT_FALSE(ParseSiteAddress("ftpes:/host"));
}

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
