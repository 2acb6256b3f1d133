#include "app/SingleInstance.h"

#include "TempDir.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QProcessEnvironment EnvironmentFor(const TempDir& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VAMLO_HOME"), QString::fromStdString(home.Path()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home.File("config")));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    return env;
}

// Waits, with the event loop running, until the process ends (bounded).
bool WaitForExit(QProcess& process, int timeoutMs)
{
    return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
}

} // namespace

TEST(SingleInstanceTest, SecondProcessActivatesTheFirstAndEndsAndStartsOnceTheFirstIsGone)
{
    TempDir home;
    auto first = std::make_unique<CSingleInstance>(QString::fromStdString(home.Path()));
    ASSERT_TRUE(first->TryAcquire());
    // The first still starting, nobody answers yet: the second ends quietly.
    CSingleInstance early(QString::fromStdString(home.Path()));
    EXPECT_FALSE(early.TryAcquire());
    EXPECT_FALSE(early.ActivateRunningInstance(500));
    ASSERT_TRUE(first->Listen());
    QSignalSpy activations(first.get(), &CSingleInstance::activationRequested);
    QSignalSpy links(first.get(), &CSingleInstance::linkRequested);

    // A link given to the second start goes to the first.
    const QString link = QStringLiteral("ftp://u:p@127.0.0.1:2121/pub/a%20b");
    QProcess second;
    second.setProcessEnvironment(EnvironmentFor(home));
    second.start(QStringLiteral(VAMLO_EXECUTABLE), {link});
    ASSERT_TRUE(second.waitForStarted(10000));
    ASSERT_TRUE(WaitForExit(second, 30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(activations.count(), 1);
    ASSERT_EQ(links.count(), 1);
    EXPECT_EQ(links.at(0).at(0).toString(), link);
    // The second start created no site list of its own: it never got that far.
    const QString siteList = QString::fromStdString(home.File("__$#VAMLO_SITELIST.DAT"));
    EXPECT_FALSE(QFile::exists(siteList));

    // The real program writes the empty site list once it has its window.
    first.reset();
    QProcess again;
    again.setProcessEnvironment(EnvironmentFor(home));
    again.start(QStringLiteral(VAMLO_EXECUTABLE), {});
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(siteList); }, 30000));
    EXPECT_EQ(again.state(), QProcess::Running);
    again.terminate();
    if (!WaitForExit(again, 10000)) {
        again.kill();
        again.waitForFinished(5000);
    }
}

TEST(SingleInstanceTest, LockLeftByACrashedProcessDoesNotBlockTheNextStart)
{
    TempDir home;
    const QString dir = QString::fromStdString(home.Path());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Take the lock and die without releasing it, as a crash would.
        auto* crashed = new CSingleInstance(dir);
        _exit(crashed->TryAcquire() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/vamlo.lock")));

    CSingleInstance next(dir);
    EXPECT_TRUE(next.TryAcquire());
}
