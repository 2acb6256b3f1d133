// SFTP sites against a real OpenSSH server: host keys, log-ons and the
// roads the drivers take through the remote-site interface.
#include "fileops/RemoteDelete.h"
#include "net/NetCancel.h"
#include "remote/RemoteEngine.h"

#include "ServerProcess.h"
#include "SshServerFixture.h"
#include "transfer/TransferLanes.h"
#include "../ftp/TransferHarness.h"

#include <algorithm>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <thread>
#include <map>
#include <sys/time.h>
#include <unistd.h>
#include <utime.h>

namespace {

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The size of the hidden upload file in folder, 0 while there is none.
uintmax_t PartBytes(const std::string& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().find(".vamlo-part-") != std::string::npos)
            return entry.file_size();
    return 0;
}

class SftpSiteTest : public SshServerFixture, public TransferProgram {
protected:
    void SetUp() override
    {
        SshServerFixture::SetUp();
        SetUpProgram();
        app.m_strSshDir = ssh.dir.Path();
        ssh.AddKey(m_server.KeyFile("id_plain"));
        site.m_strAddress = m_server.Address();
        site.m_strUserName = m_server.User();
    }
    void TearDown() override { TearDownProgram(); }
    int Connect()
    {
        site.Disconnect();
        return site.Connect(app);
    }
    std::string Failure(const std::string& cause) const
    {
        return "Failed to connect to the ftp site \"" + m_server.Address() + "\".\nCause: " + cause;
    }

    SshUserFolder ssh;
};

TEST_F(SftpSiteTest, HostKeyIsAskedOnceStoredByAlwaysAndAChangedOneIsRefusedBeforeAnyLogOn)
{
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    ASSERT_EQ(Connect(), 1);
    ASSERT_EQ(prompts.CertificateQuestions().size(), 1u);
    const std::string question = prompts.CertificateQuestions()[0].text;
    EXPECT_FALSE(prompts.CertificateQuestions()[0].changed);
    ASSERT_NE(question.find("Key type: ssh-ed25519\nFingerprint: SHA256:"), std::string::npos) << question;
    const std::string fingerprint = question.substr(question.find("SHA256:"), 50);
    EXPECT_FALSE(std::filesystem::exists(app.KnownHostsPath()));

    prompts.AnswerCertificate(CertificateAnswer::Always);
    ASSERT_EQ(Connect(), 1);
    ASSERT_EQ(Connect(), 1);
    EXPECT_EQ(prompts.CertificateQuestions().size(), 2u);
    EXPECT_EQ(Count(ReadWholeFile(app.KnownHostsPath()), "[127.0.0.1]:" + std::to_string(m_server.Port())), 1u);

    // OpenSSH's own file, with hashed names, is read as well.
    const std::string userFile = ssh.dir.File("known_hosts");
    std::filesystem::rename(app.KnownHostsPath(), userFile);
    ASSERT_EQ(std::system(("ssh-keygen -q -H -f '" + userFile + "' >/dev/null 2>&1").c_str()), 0);
    ASSERT_EQ(Count(ReadWholeFile(userFile), "|1|"), 1u);
    ASSERT_EQ(Connect(), 1);
    EXPECT_EQ(prompts.CertificateQuestions().size(), 2u);

    site.Disconnect();
    m_server.Stop();
    m_server.RenewHostKey();
    ASSERT_TRUE(m_server.Start()) << m_server.LastError();
    const size_t accepted = Count(m_server.Log(), "Accepted ");
    EXPECT_EQ(Connect(), 0);
    EXPECT_EQ(prompts.CertificateQuestions().size(), 2u);
    const std::vector<std::string> texts = prompts.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("host key of \"[127.0.0.1]:" + std::to_string(m_server.Port()) + "\" has changed"),
        std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("Stored fingerprint: " + fingerprint + "\nStored in: " + userFile), std::string::npos);
    EXPECT_NE(texts[0].find("New fingerprint: SHA256:"), std::string::npos);
    EXPECT_EQ(texts[1], Failure("The server's host key differs from the one stored for it."));
    // Nothing was sent: the server saw no log-on at all.
    EXPECT_EQ(Count(m_server.Log(), "Accepted "), accepted);
    EXPECT_EQ(Count(m_server.Log(), "Failed "), 0u);

    // A transfer's extra connection takes the key accepted once, and no other.
    std::filesystem::remove(userFile);
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    ASSERT_EQ(Connect(), 1);
    CVamloSiteInfo extra(site);
    extra.m_strAcceptedKey = site.m_strAcceptedKey;
    EXPECT_TRUE(ReconnectQuietly(extra, app));
    site.Disconnect();
    m_server.Stop();
    m_server.RenewHostKey();
    ASSERT_TRUE(m_server.Start()) << m_server.LastError();
    EXPECT_FALSE(ReconnectQuietly(extra, app));
    EXPECT_EQ(prompts.CertificateQuestions().size(), 3u);
}

TEST_F(SftpSiteTest, LogOnsByKeyWithAndWithoutPassphraseAgentAndPasswordAndAWrongPassword)
{
    const std::string password = m_server.Password();
    ASSERT_FALSE(password.empty()) << "password log-ons need the tests to run as root";
    prompts.AnswerCertificate(CertificateAnswer::Always);
    const struct {
        const char* key;
        bool agent;
        std::string password;
        int result;
    } cases[] = {
        {"id_plain", false, "", 1},
        {"id_pass", false, "", 1},
        {nullptr, true, "", 1},
        {nullptr, false, password, 1},
        {nullptr, false, "wrong", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key ? c.key : c.agent ? "agent" : "password") + " " + c.password);
        SshUserFolder folder;
        app.m_strSshDir = folder.dir.Path();
        if (c.key)
            folder.AddKey(m_server.KeyFile(c.key));
        pid_t agent = -1;
        int agentInput = -1;
        if (c.agent) {
            const std::string socket = folder.dir.File("agent");
            std::string line;
            ASSERT_TRUE(SpawnServer({"/usr/bin/ssh-agent", "-D", "-a", socket}, agent, agentInput, line, 10000));
            setenv("SSH_AUTH_SOCK", socket.c_str(), 1);
            ASSERT_EQ(std::system(("ssh-add -q '" + m_server.KeyFile("id_plain") + "' 2>/dev/null").c_str()), 0);
        }
        const bool passphrase = c.key && std::string(c.key) == "id_pass";
        if (passphrase)
            prompts.AnswerSecret(m_server.Passphrase());
        site.m_strPassword = c.password;
        const size_t messages = prompts.Texts().size();
        const size_t secretsBefore = prompts.SecretQuestions().size();
        EXPECT_EQ(Connect(), c.result);
        unsetenv("SSH_AUTH_SOCK");
        StopServer(agent, agentInput, 5000);
        const std::vector<std::string> secrets = prompts.SecretQuestions();
        ASSERT_EQ(secrets.size(), secretsBefore + (passphrase ? 1 : 0));
        EXPECT_TRUE(!passphrase || secrets.back() == "Key passphrase|Enter the passphrase of the key \"" +
                                                         folder.dir.File("id_ed25519") + "\":");
        ASSERT_EQ(prompts.Texts().size(), messages + (c.result ? 0 : 1));
        if (!c.result) {
            EXPECT_EQ(prompts.Texts().back(),
                Failure("The server refused the log-on: the password is wrong or no key was accepted."));
        }
    }
    EXPECT_EQ(prompts.SecretQuestions().size(), 1u);
}

// The roads through the drivers: Put and Get of a folder byte for byte with
// times kept, the listing's links and unsafe names, rename over an existing
// file, a new folder, and a delete that leaves a linked outside folder.
TEST_F(SftpSiteTest, RoadsThroughTheDriversKeepBytesTimesAndLinks)
{
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    ASSERT_EQ(Connect(), 1);
    // The files go over extra connections too, which take the key accepted once without asking.
    app.m_nTransferConnections = 4;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 4096);
    mkdir(local.File("up").c_str(), 0755);
    mkdir(local.File("up/sub").c_str(), 0755);
    WriteWholeFile(local.File("up/big.bin"), big);
    WriteWholeFile(local.File("up/sub/small.txt"), "small");
    const utimbuf old{1000000000, 1000000000};
    utime(local.File("up/sub/small.txt").c_str(), &old);

    Put({{local.File("up"), true}}, m_server.Root());
    EXPECT_TRUE(ReadWholeFile(m_server.Path("up/big.bin")) == big) << Log();
    EXPECT_EQ(ReadWholeFile(m_server.Path("up/sub/small.txt")), "small");
    EXPECT_EQ(std::filesystem::last_write_time(m_server.Path("up/sub/small.txt")),
        std::filesystem::last_write_time(local.File("up/sub/small.txt")));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(prompts.CertificateQuestions().size(), 1u);
    EXPECT_GE(Count(m_server.Log(), "Accepted "), 2u);

    Get({{m_server.Path("up"), true}}, Target());
    EXPECT_TRUE(ReadWholeFile(Target() + "/up/big.bin") == big) << Log();
    EXPECT_EQ(std::filesystem::last_write_time(Target() + "/up/sub/small.txt"),
        std::filesystem::last_write_time(local.File("up/sub/small.txt")));

    // A link to a folder outside and an unsafe name in the listing.
    TempDir outside;
    WriteWholeFile(outside.File("keep.txt"), "keep");
    std::filesystem::create_directory_symlink(outside.Path(), m_server.Path("up/sub/out"));
    WriteWholeFile(m_server.Path("up/sub/bad\nname"), "x");
    m_server.GiveRootToUser();
    CRemoteFileFind find(site.m_pConnection.get());
    ASSERT_TRUE(find.FindFile(m_server.Path("up/sub/*")));
    std::map<std::string, std::string> seen;
    for (bool more = true; more;) {
        more = find.FindNextFile();
        seen[find.GetFileName()] = std::string(find.IsLink() ? "link" : find.IsDirectory() ? "dir" : "file") +
                                   (find.HasLength() ? std::to_string(find.GetLength()) : "");
    }
    EXPECT_EQ(seen, (std::map<std::string, std::string>{{"out", "link"}, {"small.txt", "file5"}}));
    EXPECT_EQ(find.GetBadNameCount(), 1u);
    EXPECT_EQ(find.GetFileURL().rfind("sftp://127.0.0.1" + m_server.Root() + "/up/sub/", 0), 0u);
    find.Close();

    IRemoteConnection& connection = *site.m_pConnection;
    ASSERT_EQ(connection.SetCurrentDirectory(m_server.Path("up")), 1);
    EXPECT_EQ(connection.Rename("sub/small.txt", "big.bin"), 1);
    EXPECT_EQ(ReadWholeFile(m_server.Path("up/big.bin")), "small");
    EXPECT_EQ(connection.CreateDirectory("made"), 1);
    EXPECT_TRUE(std::filesystem::is_directory(m_server.Path("up/made")));
    // Modes both ways, and the keep-alive's round trip.
    ASSERT_EQ(connection.SetPermissions("made", 0750), 1);
    EXPECT_EQ(std::filesystem::status(m_server.Path("up/made")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0750));
    CRemoteFileFind modes(&connection);
    ASSERT_TRUE(modes.FindFile(m_server.Path("up/made")));
    modes.FindNextFile();
    EXPECT_EQ(modes.GetPermissions(), "rwxr-x---");
    modes.Close();
    EXPECT_EQ(connection.KeepAlive(5000), 1);
    EXPECT_LT(connection.IdleMilliseconds(), 5000);
    std::remove(m_server.Path("up/sub/bad\nname").c_str());
    EXPECT_EQ(CRemoteDelete(&site, prompts).DeleteRemoteFolder(m_server.Path("up")), 1) << Log();
    EXPECT_FALSE(std::filesystem::exists(m_server.Path("up")));
    EXPECT_EQ(ReadWholeFile(outside.File("keep.txt")), "keep");
}

// The server stopped in the middle of a file: after the reconnect question
// the Get and the Put go on from where they stopped.
TEST_F(SftpSiteTest, ADroppedGetAndPutGoOnFromWhereTheyStopped)
{
    prompts.AnswerCertificate(CertificateAnswer::Always);
    ASSERT_EQ(Connect(), 1);
    std::string content(24u << 20, '\0');
    uint32_t state = 7;
    for (char& c : content)
        c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    WriteWholeFile(m_server.Path("big.bin"), content);
    WriteWholeFile(local.File("big.bin"), content);
    mkdir(m_server.Path("in").c_str(), 0755);
    m_server.GiveRootToUser();
    for (const bool get : {true, false}) {
        bool cut = false;
        status.onMessages = [&](const std::string& m1, const std::string& m2, CTransferCancel*) {
            if (!cut && m1.find(get ? "Getting file" : "Putting file") == 0 &&
                std::atoi(m2.c_str() + m2.find(' ') + 1) >= 1024) {
                cut = true;
                // A Put is cut once the server holds part of it: the writes in flight may not have landed yet.
                for (int wait = 0; !get && wait < 1000 && PartBytes(m_server.Path("in")) < (256u << 10); ++wait)
                    usleep(10000);
                m_server.Stop();
                EXPECT_TRUE(m_server.Start()) << m_server.LastError();
            }
        };
        if (get)
            Get({{m_server.Path("big.bin"), false}}, Target());
        else
            Put({{local.File("big.bin"), false}}, m_server.Path("in"));
        EXPECT_TRUE(cut);
        EXPECT_TRUE(ReadWholeFile(get ? Target() + "/big.bin" : m_server.Path("in/big.bin")) == content) << Log();
        EXPECT_NE(Log().find("the file resumed at "), std::string::npos) << Log();
    }
    EXPECT_EQ(FolderEntries(m_server.Path("in")), std::vector<std::string>{"big.bin"});

    // A Cancel while the server is slow to answer keeps the old copy and,
    // once the server answers, the connection.
    bool canceled = false;
    std::thread canceller;
    status.onMessages = [&](const std::string& m1, const std::string& m2, CTransferCancel* cancel) {
        if (!canceled && m1.find("Getting file") == 0 && std::atoi(m2.c_str() + m2.find(' ') + 1) >= 1024) {
            canceled = true;
            m_server.PauseSessions(true);
            canceller = std::thread([this, cancel] {
                usleep(300000);   // the worker waits on the server by then
                cancel->store(1);
                usleep(200000);
                m_server.PauseSessions(false);
            });
        }
    };
    WriteWholeFile(Target() + "/big.bin", "old");
    const auto reconnects = std::ranges::count(prompts.Texts(), ReconnectQuestion());
    Get({{m_server.Path("big.bin"), false}}, Target());
    ASSERT_TRUE(canceled);
    canceller.join();
    EXPECT_EQ(ReadWholeFile(Target() + "/big.bin"), "old");
    ASSERT_TRUE(site.m_pConnection);
    EXPECT_TRUE(site.m_pConnection->IsOpen());
    Get({{m_server.Path("in"), true}}, Target());
    EXPECT_TRUE(ReadWholeFile(Target() + "/in/big.bin") == content);
    EXPECT_EQ(std::ranges::count(prompts.Texts(), ReconnectQuestion()), reconnects);
}

// Site to site through the temporary folder, in every combination with SFTP.
TEST_F(SftpSiteTest, SiteToSiteBetweenFtpAndSftpInEveryDirection)
{
    prompts.AnswerCertificate(CertificateAnswer::Always);
    ASSERT_EQ(Connect(), 1);
    FtpServerProcess ftp;
    ASSERT_TRUE(ftp.Start()) << ftp.LastError();
    CVamloSiteInfo ftpSite;
    ftpSite.m_strAddress = "ftp://127.0.0.1:" + std::to_string(ftp.Port());
    ftpSite.m_strUserName = "user";
    ftpSite.m_strPassword = "secret";
    ASSERT_EQ(ftpSite.Connect(app), 1);
    CVamloSiteInfo sftpTarget;
    sftpTarget.m_strAddress = site.m_strAddress;
    sftpTarget.m_strUserName = site.m_strUserName;
    ASSERT_EQ(sftpTarget.Connect(app), 1);
    mkdir(ftp.Path("f").c_str(), 0755);
    WriteWholeFile(ftp.Path("f/a.txt"), "from ftp");
    mkdir(m_server.Path("s").c_str(), 0755);
    WriteWholeFile(m_server.Path("s/b.txt"), "from sftp");
    mkdir(m_server.Path("to").c_str(), 0755);
    m_server.GiveRootToUser();
    const struct {
        CVamloSiteInfo* from;
        std::string source;
        CVamloSiteInfo* to;
        std::string into, arrived, content;
    } cases[] = {
        {&ftpSite, "/f", &site, m_server.Path("to"), m_server.Path("to/f/a.txt"), "from ftp"},
        {&site, m_server.Path("s"), &ftpSite, "/", ftp.Path("s/b.txt"), "from sftp"},
        {&site, m_server.Path("s/b.txt"), &sftpTarget, m_server.Path("to"), m_server.Path("to/b.txt"), "from sftp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        app.m_pClipSourceSite = c.from;
        doc->m_pCurrentSite = c.to;
        doc->m_strCurrentFolder = c.into;
        const bool folder = c.source.find('.') == std::string::npos;
        ASSERT_EQ(doc->StartRemoteCopyJob(EntryList({{c.source, folder}}, LOCATION_REMOTE), NOTIFY_LIST, nullptr,
                      nullptr), 1);
        doc->WaitForTransfer();
        EXPECT_EQ(ReadWholeFile(c.arrived), c.content) << Log();
    }
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
}

// A server that hangs up in the handshake, and one that never speaks while
// the user cancels: both end at once with a clear message.
TEST_F(SftpSiteTest, AHandshakeThatEndsOrStallsFailsCleanly)
{
    for (const bool hangUp : {true, false}) {
        SCOPED_TRACE(hangUp ? "hang up" : "stall");
        UniqueFd listener;
        SocketAddress bound;
        SocketAddress loopback;
        loopback.length = sizeof(sockaddr_in);
        reinterpret_cast<sockaddr_in&>(loopback.storage) = {AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        ASSERT_TRUE(ListenOnHost(loopback, listener, bound).Ok());
        CNetCancel cancel;
        std::thread server([&] {
            pollfd entry{listener.Get(), POLLIN, 0};
            ASSERT_EQ(poll(&entry, 1, 10000), 1);
            UniqueFd peer(accept(listener.Get(), nullptr, nullptr));
            if (!hangUp) {
                cancel.Cancel();
                // Takes the client's greeting and says nothing until the client goes.
                const timeval limit{10, 0};
                setsockopt(peer.Get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
                char buffer[256];
                for (int reads = 0; reads < 100 && recv(peer.Get(), buffer, sizeof buffer, 0) > 0; ++reads) {
                }
            }
        });
        site.m_strAddress = "sftp://127.0.0.1:" + std::to_string(bound.Port());
        int result = -1;
        int error = 0;
        std::thread([&] {
            CNetCancelScope scope(cancel);
            result = Connect();
            error = GetLastNetErrorCode();
        }).join();
        server.join();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(error, hangUp ? ERROR_INTERNET_CONNECTION_ABORTED : ERROR_INTERNET_OPERATION_CANCELLED);
        ASSERT_FALSE(prompts.Texts().empty());
        // libssh's own detail in the brackets depends on the moment of the cut.
        const std::string expected = "Failed to connect to the ftp site \"" + site.m_strAddress + "\".\nCause: " +
            (hangUp ? "The server closed the connection during the SSH handshake (" : "The operation was canceled by the user.");
        EXPECT_EQ(prompts.Texts().back().substr(0, expected.size()), expected);
    }
}

} // namespace
