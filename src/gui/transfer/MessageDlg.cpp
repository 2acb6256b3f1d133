#include "transfer/MessageDlg.h"

#include "transfer/ElidedLabel.h"
#include "transfer/QuestionParent.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* AddButton(QDialog* dialog, QHBoxLayout* row, const QString& text, const char* name)
{
    auto* button = new QPushButton(text, dialog);
    button->setObjectName(QString::fromLatin1(name));
    row->addWidget(button);
    return button;
}

} // namespace

CMessageDlg::CMessageDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Message"));
    setModal(true);

    m_pMessage1 = new CElidedLabel(this);
    m_pMessage1->setObjectName(QStringLiteral("message1"));
    m_pMessage2 = new CElidedLabel(this);
    m_pMessage2->setObjectName(QStringLiteral("message2"));

    auto* row = new QHBoxLayout;
    row->addStretch();
    m_pYesButton = AddButton(this, row, QStringLiteral("Yes"), "yesButton");
    QPushButton* yesToAll = AddButton(this, row, QStringLiteral("Yes to All"), "yesToAllButton");
    QPushButton* no = AddButton(this, row, QStringLiteral("No"), "noButton");
    QPushButton* cancel = AddButton(this, row, QStringLiteral("Cancel"), "cancelButton");
    m_pYesButton->setDefault(true);
    connect(m_pYesButton, &QPushButton::clicked, this, &CMessageDlg::accept);
    connect(yesToAll, &QPushButton::clicked, this, &CMessageDlg::OnYesToAll);
    connect(no, &QPushButton::clicked, this, &CMessageDlg::OnNo);
    connect(cancel, &QPushButton::clicked, this, &CMessageDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pMessage1);
    layout->addWidget(m_pMessage2);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(row);
}

void CMessageDlg::setVisible(bool visible)
{
    if (visible) {
        // Before the base class sizes the window, so that it fits the texts.
        m_pMessage1->SetText(m_strMessage1);
        m_pMessage2->SetText(m_strMessage2);
        m_pYesButton->setFocus();
    }
    QDialog::setVisible(visible);
}

void CMessageDlg::accept()
{
    if (m_nChoice == REPLACE_NO_ANSWER)
        m_nChoice = REPLACE_YES;
    QDialog::accept();
}

void CMessageDlg::OnYesToAll()
{
    m_nChoice = REPLACE_YES_TO_ALL;
    accept();
}

void CMessageDlg::OnNo()
{
    m_nChoice = REPLACE_NO;
    accept();
}

ReplaceAnswer AskReplaceQuestion(QWidget* parent, const QString& message1, const QString& message2)
{
    // On the heap and watched: if the parent goes away while the question is
    // open, it takes the dialog with it, and the answer is Cancel.
    QPointer<CMessageDlg> dialog = new CMessageDlg(parent);
    dialog->m_strMessage1 = message1;
    dialog->m_strMessage2 = message2;
    KeepAboveParent(dialog);

    const int result = ExecQuestion(dialog);

    ReplaceAnswer answer;
    if (dialog != nullptr) {
        answer.result = result == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
        answer.choice = dialog->m_nChoice;
        delete dialog;
    }
    return answer;
}
