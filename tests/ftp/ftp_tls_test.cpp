// Sites reached over explicit TLS ("ftpes://"), and the trust the user gives
// to certificates the system does not vouch for.
#include "transfer/TransferLanes.h"
#include "TransferHarness.h"

#include "FtpTestHelpers.h"
#include "ftp/CertificateTrust.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class TlsSiteFixture : public TransferFixture {
protected:
    TlsSiteFixture() : TransferFixture(FtpServerOptions{.tls = FtpServerOptions::Tls::Required}, "ftpes://")
    {
    }

    std::string HostPort() const { return "127.0.0.1:" + std::to_string(m_server.Port()); }
    std::string TrustFile() const { return home.File(kTrustedCertificatesFileName); }
    std::string FailedToConnect(const std::string& cause) const
    {
        return "Failed to connect to the ftp site \"" + site.m_strAddress + "\".\nCause: " + cause;
    }
};

class TlsTransferTest : public TlsSiteFixture, public ::testing::WithParamInterface<bool> {};

} // namespace

// The server refuses anything unencrypted, so a transfer that works proves
// that every data connection was protected.
TEST_P(TlsTransferTest, ListGetAndPutAreByteExact)
{
    const bool passive = GetParam();
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    ASSERT_EQ(site.Connect(app), 1) << (prompts.Texts().empty() ? "" : prompts.Texts().back());
    ASSERT_TRUE(site.m_pConnection->IsEncrypted());
    auto& ftp = dynamic_cast<CFtpConnection&>(*site.m_pConnection);
    ftp.Session()->bPassive = passive;

    std::string bytes = ftptest::AllByteValues();
    bytes += std::string(300 * 1024, 'x');   // beyond one TLS record and one socket block
    WriteWholeFile(local.File("up.bin"), bytes);
    Put({{local.File("up.bin"), false}}, "/");
    EXPECT_EQ(ReadWholeFile(m_server.Path("up.bin")), bytes);

    CFtpFileFind find(&ftp);
    ASSERT_TRUE(find.FindFile("/up.bin"));
    find.FindNextFile();
    EXPECT_EQ(find.GetFileName(), "up.bin");
    EXPECT_EQ(find.GetLength(), bytes.size());
    find.Close();

    Get({{"/up.bin", false}}, local.File("target"));
    EXPECT_EQ(ReadWholeFile(local.File("target/up.bin")), bytes);
    EXPECT_EQ(ftp.IsPassive(), passive);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(prompts.CertificateQuestions().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, TlsTransferTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST_F(TlsSiteFixture, UnknownCertificateIsAskedAboutAlwaysIsKeptAndAChangeIsWarnedAbout)
{
    EXPECT_EQ(site.Connect(app), 0);   // no scripted answer: Cancel
    EXPECT_FALSE(site.m_pConnection);
    ASSERT_EQ(prompts.CertificateQuestions().size(), 1u);
    const auto question = prompts.CertificateQuestions()[0];
    EXPECT_FALSE(question.changed);
    const std::string details = "Subject: CN=Vamlo Test Server,O=Vamlo Tests\n"
                                "Issuer: CN=Vamlo Test Server,O=Vamlo Tests\n";
    const std::string start = "The certificate of the ftp site \"" + HostPort() +
                              "\" could not be verified.\nReason: self-signed certificate\n\n" + details +
                              "Valid from: ";
    EXPECT_EQ(question.text.substr(0, start.size()), start) << question.text;
    const std::string end = "\nSHA-256 fingerprint: " + m_server.CertificateFingerprint();
    ASSERT_GT(question.text.size(), end.size());
    EXPECT_EQ(question.text.substr(question.text.size() - end.size()), end) << question.text;
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{FailedToConnect("The server's certificate was not accepted\n")});
    EXPECT_FALSE(std::ifstream(TrustFile()).good());

    // Trusted once: nothing is kept, so the next connection asks again.
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    ASSERT_EQ(site.Connect(app), 1);
    EXPECT_FALSE(std::ifstream(TrustFile()).good());
    prompts.AnswerCertificate(CertificateAnswer::Always);
    ASSERT_EQ(site.Reconnect(app), 1);
    ASSERT_EQ(prompts.CertificateQuestions().size(), 3u);
    const std::string stored = HostPort() + " " + m_server.CertificateFingerprint() + "\n";
    EXPECT_EQ(ReadWholeFile(TrustFile()), stored);
    // Trusted from now on: the next connection asks nothing.
    ASSERT_EQ(site.Reconnect(app), 1);
    EXPECT_EQ(prompts.CertificateQuestions().size(), 3u);

    const std::string trusted = m_server.CertificateFingerprint();
    site.Disconnect();
    m_server.Stop();
    m_server.RenewCertificate();
    ASSERT_TRUE(m_server.Start()) << m_server.LastError();
    EXPECT_EQ(site.Connect(app), 0);   // the warning's default: Cancel
    ASSERT_EQ(prompts.CertificateQuestions().size(), 4u);
    const auto warning = prompts.CertificateQuestions()[3];
    EXPECT_TRUE(warning.changed);
    EXPECT_EQ(warning.text.rfind("WARNING: The certificate of the ftp site \"" + HostPort() +
                                     "\" is not the one you chose to trust always.\n",
                                 0),
              0u)
        << warning.text;
    EXPECT_NE(warning.text.find("\nSHA-256 fingerprint: " + m_server.CertificateFingerprint() +
                                "\nTrusted fingerprint: " + trusted),
              std::string::npos)
        << warning.text;
    EXPECT_EQ(ReadWholeFile(TrustFile()), stored);
}

TEST_F(TlsSiteFixture, EncryptionAndCertificateChecksAreNeverDroppedSilently)
{
    // A server without TLS: the connection fails; nothing goes in the clear.
    FtpServerProcess plain;
    ASSERT_TRUE(plain.Start()) << plain.LastError();
    site.m_strAddress = "ftps://127.0.0.1:" + std::to_string(plain.Port());
    EXPECT_EQ(site.Connect(app), 0);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{FailedToConnect(
                  "The server refused to encrypt the connection; its answer: 500 Command \"AUTH\" not understood.\n")});
    EXPECT_TRUE(prompts.CertificateQuestions().empty());

    // A certificate from a CA this process trusts, but for another host name,
    // is asked about; a data connection showing yet another one is refused.
    FtpServerProcess other({.tls = FtpServerOptions::Tls::Required, .strCertificateHost = "elsewhere.test",
                            .bOtherDataCertificate = true});
    ASSERT_TRUE(other.Start()) << other.LastError();
    site.m_strAddress = "ftpes://localhost:" + std::to_string(other.Port());
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    ASSERT_EQ(site.Connect(app), 1);
    ASSERT_EQ(prompts.CertificateQuestions().size(), 1u);
    // The chain is sound: only the name is wrong.
    const std::string text = prompts.CertificateQuestions()[0].text;
    EXPECT_NE(text.find("\nReason: hostname mismatch\n"), std::string::npos) << text;

    WriteWholeFile(other.Path("f.txt"), "data");
    Get({{"/f.txt", false}}, Target());
    EXPECT_FALSE(std::ifstream(Target() + "/f.txt").good());
    EXPECT_NE(Log().find("The data connection showed a different certificate than the control connection"),
              std::string::npos)
        << Log();
}

TEST_F(TlsSiteFixture, PlainConnectionNotesOnceThatEncryptionIsOffered)
{
    FtpServerProcess offered({.tls = FtpServerOptions::Tls::Offered});
    ASSERT_TRUE(offered.Start()) << offered.LastError();
    site.m_strAddress = "ftp://127.0.0.1:" + std::to_string(offered.Port());
    ASSERT_EQ(site.Connect(app), 1);
    EXPECT_FALSE(site.m_pConnection->IsEncrypted());
    const std::string note = "\nThe ftp site \"" + site.m_strAddress +
                             "\" offers encryption: start its address with \"ftpes://\" to use it.";
    EXPECT_EQ(Log(), note);
    std::string directory;
    EXPECT_EQ(site.m_pConnection->GetCurrentDirectory(directory), 1);
    EXPECT_EQ(Log(), note);
}

// A transfer's extra connection asks nothing: it takes the certificate the
// user accepted once for the site, and no other.
TEST_F(TlsSiteFixture, AnExtraConnectionTakesOnlyTheCertificateAcceptedForTheSite)
{
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    ASSERT_EQ(site.Connect(app), 1);
    CVamloSiteInfo extra(site);
    extra.m_strAcceptedKey = site.m_strAcceptedKey;
    EXPECT_TRUE(ReconnectQuietly(extra, app));
    m_server.Stop();
    m_server.RenewCertificate();
    ASSERT_TRUE(m_server.Start()) << m_server.LastError();
    EXPECT_FALSE(ReconnectQuietly(extra, app));
    EXPECT_EQ(prompts.CertificateQuestions().size(), 1u);
    EXPECT_FALSE(std::ifstream(TrustFile()).good());
}
