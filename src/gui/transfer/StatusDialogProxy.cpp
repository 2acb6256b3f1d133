#include "transfer/StatusDialogProxy.h"

#include "transfer/StatusDlg.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

CStatusDialogProxy::CStatusDialogProxy(std::shared_ptr<CStatusDialogChannel> channel)
    : m_pChannel(std::move(channel))
{
}

CStatusDialogProxy::~CStatusDialogProxy() { m_pChannel->Detach(); }

void CStatusDialogProxy::SetMessages(const std::string& message1, const std::string& message2)
{
    m_pChannel->SetMessages(message1, message2);
}

void CStatusDialogProxy::SetMessage3(const std::string& message3) { m_pChannel->SetMessage3(message3); }

void CStatusDialogProxy::SetFileRange(int64_t n) { m_pChannel->SetFileRange(n); }

void CStatusDialogProxy::SetOverallRange(int64_t n) { m_pChannel->SetOverallRange(n); }

void CStatusDialogProxy::StepFile(int64_t steps) { m_pChannel->StepFile(steps); }

void CStatusDialogProxy::StepOverall() { m_pChannel->StepOverall(); }

void CStatusDialogProxy::SetFigures(const std::string& fileLine, const std::string& actionLine)
{
    m_pChannel->SetFigures(fileLine, actionLine);
}

void CStatusDialogProxy::Show() { m_pChannel->Show(); }

namespace {

void OpenStatusWindow(const std::shared_ptr<CStatusDialogChannel>& channel, const QString& title, bool shown)
{
    // The worker may already be done before the GUI thread got here.
    if (channel->IsDetached())
        return;
    // Owned by no widget: it deletes itself once the worker detaches.
    auto* dialog = new CStatusDlg(channel);
    dialog->setWindowTitle(title);
    dialog->CenterOnScreen();
    if (shown)
        dialog->show();
}

} // namespace

std::unique_ptr<IStatusDialog> CStatusDialogFactory::CreateStatusDialog(const std::string& title,
                                                                        CTransferCancel* cancelFlag, bool shown)
{
    auto channel = std::make_shared<CStatusDialogChannel>(cancelFlag, shown);
    const QString qtitle = QString::fromStdString(title);
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr) {
        if (QThread::currentThread() == app->thread())
            OpenStatusWindow(channel, qtitle, shown);
        else
            QMetaObject::invokeMethod(
                app, [channel, qtitle, shown] { OpenStatusWindow(channel, qtitle, shown); }, Qt::QueuedConnection);
    }
    return std::make_unique<CStatusDialogProxy>(std::move(channel));
}
