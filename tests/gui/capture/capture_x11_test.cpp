#include "capture/WindowCapture.h"

#include "../DialogDriver.h"
#include "../GuiProgram.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 10000;

QImage AsRgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB888); }

// A virtual X server with a window manager, for as long as the object lives.
class X11Desktop {
public:
    // The display's name, or nothing when the desktop could not start.
    QString Start()
    {
        const QString server = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString manager = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (server.isEmpty() || manager.isEmpty())
            return {};
        // The server picks a free display and writes its number to stdout.
        m_server.start(server, QStringLiteral("-displayfd 1 -nolisten tcp -screen 0 1024x768x24").split(u' '));
        if (!m_server.waitForStarted(kWaitMs))
            return {};
        for (int tries = 0; tries < 50 && !m_server.canReadLine(); ++tries)
            m_server.waitForReadyRead(200);
        const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
        if (number.isEmpty())
            return {};
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + number);
        m_manager.setProcessEnvironment(env);
        m_manager.start(manager, {});
        return m_manager.waitForStarted(kWaitMs) ? QStringLiteral(":") + number : QString();
    }

    ~X11Desktop()
    {
        for (QProcess* process : {&m_manager, &m_server}) {
            process->kill();
            process->waitForFinished(kWaitMs);
        }
    }

private:
    QProcess m_server;
    QProcess m_manager;
};

// Runs under X11 only: the suite starts itself again on a virtual X server
// to get here (below).
TEST(WindowCaptureOnX11Test, TheFrameComesFromTheScreenAndNoClosedMenuIsLeftInThePicture)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X11 display";
    GuiProgram program;
    program.BuildProgram();
    CMainFrame& frame = *program.frame;
    frame.setGeometry(100, 100, 640, 480);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    // The window manager has put its frame around the window.
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.frameGeometry().size() != frame.geometry().size(); }, kWaitMs));

    // The command is given from its menu, which closes just before the capture.
    QAction* save = frame.Command(ID_FILE_SAVE_WINDOW_AS);
    QMenu* fileMenu = frame.menuBar()->actions().front()->menu();
    ASSERT_TRUE(fileMenu != nullptr && fileMenu->actions().contains(save));
    QTest::mouseClick(frame.menuBar(), Qt::LeftButton, {},
                      frame.menuBar()->actionGeometry(fileMenu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fileMenu));
    const QRect menuInFrame = fileMenu->frameGeometry().translated(-frame.frameGeometry().topLeft());

    TempDir dir;
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        SaveInFileDialog(dialog, dir.Path(), "shot");
    });
    QTest::mouseClick(fileMenu, Qt::LeftButton, {}, fileMenu->actionGeometry(save).center());
    EXPECT_TRUE(program.prompts.Texts().empty());

    // What is saved is the kept picture, as the offscreen test shows.
    const QImage kept = ImageFromPixels(program.doc->m_capturedWindow);
    ASSERT_EQ(kept.size(), frame.frameGeometry().size());

    // Where the menu lay, the picture shows the window's panes.
    const QPoint contents = frame.geometry().topLeft() - frame.frameGeometry().topLeft();
    const QImage window = AsRgb(frame.grab().toImage());
    const QRect area = menuInFrame.intersected(QRect(contents, frame.size()));
    ASSERT_FALSE(area.isEmpty());
    EXPECT_EQ(kept.copy(area), window.copy(area.translated(-contents)));
}

TEST(WindowCaptureOnX11Test, RunOnAVirtualX11Desktop)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        GTEST_SKIP() << "already on X11";
    X11Desktop desktop;
    const QString display = desktop.Start();
    if (display.isEmpty())
        GTEST_SKIP() << "Xvfb and openbox are needed";
    // The suite's own main turns the leak check off, as Qt's X11 platform
    // libraries keep caches for the life of the process.
    QProcess suite;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    suite.setProcessEnvironment(env);
    suite.setProcessChannelMode(QProcess::MergedChannels);
    suite.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=WindowCaptureOnX11Test.TheFrameComesFromTheScreen*")});
    ASSERT_TRUE(suite.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(suite.readAll());
    EXPECT_EQ(suite.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

} // namespace
