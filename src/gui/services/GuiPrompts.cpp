#include "services/GuiPrompts.h"

#include "services/CertificateQuestion.h"
#include "transfer/MessageDlg.h"
#include "transfer/QuestionParent.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QStatusBar>
#include <QThread>

void RunOnGuiThread(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

void CGuiPrompts::SetStatusBar(QStatusBar* bar) { m_statusBar = bar; }

MsgResult CGuiPrompts::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon)
{
    MsgResult result = MsgResult::Cancel;
    const QString qtext = QString::fromStdString(text);
    RunOnGuiThread([&] { result = ShowMessageBox(qtext, buttons, icon); });
    return result;
}

ReplaceAnswer CGuiPrompts::AskReplace(const std::string& message1, const std::string& message2)
{
    ReplaceAnswer answer;
    const QString qmessage1 = QString::fromStdString(message1);
    const QString qmessage2 = QString::fromStdString(message2);
    RunOnGuiThread([&] { answer = AskReplaceQuestion(QuestionParent(m_mainWindow), qmessage1, qmessage2); });
    return answer;
}

CertificateAnswer CGuiPrompts::AskCertificate(const std::string& text, bool changed)
{
    CertificateAnswer answer = CertificateAnswer::Cancel;
    const QString qtext = QString::fromStdString(text);
    RunOnGuiThread([&] { answer = AskCertificateQuestion(QuestionParent(m_mainWindow), qtext, changed); });
    return answer;
}

bool CGuiPrompts::AskSecret(const std::string& title, const std::string& text, std::string& secret)
{
    bool accepted = false;
    const QString qtitle = QString::fromStdString(title);
    const QString qtext = QString::fromStdString(text);
    RunOnGuiThread([&] {
        // On the heap and watched, like the message boxes: a parent that goes
        // away takes the dialog with it, and that counts as Cancel.
        QPointer<QInputDialog> dialog = new QInputDialog(QuestionParent(m_mainWindow));
        KeepAboveParent(dialog);
        dialog->setWindowTitle(qtitle);
        dialog->setLabelText(qtext);
        dialog->setTextEchoMode(QLineEdit::Password);
        dialog->setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
        const bool ok = ExecQuestion(dialog) == QDialog::Accepted;
        if (dialog) {
            if (ok) {
                secret = dialog->textValue().toStdString();
                accepted = true;
            }
            dialog->setTextValue(QString());
            delete dialog;
        }
    });
    return accepted;
}

MsgResult CGuiPrompts::ShowMessageBox(const QString& text, MsgButtons buttons, MsgIcon icon)
{
    // On the heap and watched: should its parent go away while it is open,
    // it goes too, and the answer is the one that Escape gives.
    QPointer<QMessageBox> box = new QMessageBox(QuestionParent(m_mainWindow));
    KeepAboveParent(box);
    box->setWindowTitle(QStringLiteral("Vamlo"));
    box->setText(text);
    switch (icon) {
    case MsgIcon::None: box->setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box->setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box->setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box->setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box->setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box->setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    const int answer = ExecQuestion(box);
    const bool answered = box != nullptr;
    delete box;
    switch (answered ? answer : int(QMessageBox::NoButton)) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default:
        // Escape on a Yes/No box can only mean No.
        return buttons == MsgButtons::YesNo ? MsgResult::No
               : buttons == MsgButtons::Ok  ? MsgResult::Ok
                                            : MsgResult::Cancel;
    }
}

void CGuiPrompts::BeginWaitCursor()
{
    RunOnGuiThread([] { QApplication::setOverrideCursor(Qt::WaitCursor); });
}

void CGuiPrompts::EndWaitCursor()
{
    RunOnGuiThread([] { QApplication::restoreOverrideCursor(); });
}

void CGuiPrompts::SetStatusText(const std::string& text)
{
    const QString qtext = QString::fromStdString(text);
    RunOnGuiThread([this, qtext] {
        if (m_statusBar == nullptr)
            return;
        m_statusBar->showMessage(qtext);
        // Paint now: the caller goes on with synchronous work.
        m_statusBar->repaint();
    });
}
