#include "ui/MainFrame.h"

#include "app/VamloDoc.h"

#include <QApplication>
#include <QCloseEvent>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Vamlo"));
}

CMainFrame::~CMainFrame() { DeleteSiteRecords(); }

void CMainFrame::ActivateFromSecondInstance()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (QWidget* popup = QApplication::activeModalWidget()) {
        popup->raise();
        popup->activateWindow();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_pDoc != nullptr)
        m_pDoc->CanCloseFrame();
    m_bClosing = 1;
    DeleteSiteRecords();
    event->accept();
}

void CMainFrame::DeleteSiteRecords()
{
    // Each record disconnects itself when it is deleted.
    m_siteList.clear();
}
