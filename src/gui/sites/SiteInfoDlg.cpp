#include "sites/SiteInfoDlg.h"

#include "connect/UrlParser.h"
#include "log/CourierFont.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

int32_t CheckValue(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

// Characters as the user counts them: a letter outside the basic plane is one.
int CharacterCount(const QString& text) { return static_cast<int>(text.toUcs4().size()); }

// The port an address connects to when the Port field says nothing else.
QString ImpliedPort(const QString& address)
{
    const std::optional<ParsedUrl> url = ParseSiteAddress(address.toStdString());
    return QString::fromStdString(url ? std::to_string(url->port) : DefaultFtpPortText());
}

} // namespace

CSiteInfoDlg::CSiteInfoDlg(const QString& title, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(title);
    setModal(true);

    auto* group = new QGroupBox(QStringLiteral("Ftp Site Information"), this);
    group->setObjectName(QStringLiteral("siteInformation"));
    auto* form = new QFormLayout(group);

    m_pAddress = AddEdit("address");
    m_pPort = AddEdit("port");
    connect(m_pAddress, &QLineEdit::textEdited, this, &CSiteInfoDlg::FollowAddressPort);
    // Digits only while typing; an empty port is allowed.
    m_pPort->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pPort));
    m_pUserName = AddEdit("userName");
    m_pPassword = AddEdit("password");
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pSavePassword = AddCheckBox(QStringLiteral("Save Password"), "savePassword");
    m_pProxy = AddEdit("proxy");
    m_pReconnectAtLogon = AddCheckBox(QStringLiteral("Reconnect at logon"), "reconnectAtLogon");
    m_pNotes = new QPlainTextEdit(this);
    m_pNotes->setObjectName(QStringLiteral("notes"));
    m_pNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pNotes->setTabChangesFocus(true);
    m_pNotes->setFont(CourierFont());

    form->addRow(QStringLiteral("Site Address:"), m_pAddress);
    form->addRow(QStringLiteral("Port:"), m_pPort);
    form->addRow(QStringLiteral("User Name:"), m_pUserName);
    form->addRow(QStringLiteral("Password:"), m_pPassword);
    form->addRow(QString(), m_pSavePassword);
    form->addRow(QStringLiteral("Proxy Server:"), m_pProxy);
    form->addRow(QString(), m_pReconnectAtLogon);
    form->addRow(QStringLiteral("Notes:"), m_pNotes);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, &CSiteInfoDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSiteInfoDlg::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

QLineEdit* CSiteInfoDlg::AddEdit(const char* name)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QCheckBox* CSiteInfoDlg::AddCheckBox(const QString& text, const char* name)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void CSiteInfoDlg::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        ShowMembers();
        ApplyFieldAccess();
    }
    QDialog::setVisible(visible);
}

void CSiteInfoDlg::ShowMembers()
{
    m_pAddress->setText(m_strAddress);
    m_pPort->setText(m_strPort);
    m_pUserName->setText(m_strUserName);
    m_pPassword->setText(m_strPassword);
    m_pSavePassword->setChecked(m_bSavePassword == 1);
    m_pProxy->setText(m_strProxy);
    m_pReconnectAtLogon->setChecked(m_bReconnectAtLogon == 1);
    m_pNotes->setPlainText(m_strNotes);
    m_strFollowedPort = m_strPort == ImpliedPort(m_strAddress) ? m_strPort : QString();
    // Lets OK tell notes the user left alone from notes the user edited.
    m_strShownNotes = m_pNotes->toPlainText();
}

void CSiteInfoDlg::FollowAddressPort()
{
    if (m_strFollowedPort.isNull() || m_pPort->text() != m_strFollowedPort)
        return;
    m_strFollowedPort = ImpliedPort(m_pAddress->text());
    m_pPort->setText(m_strFollowedPort);
}

void CSiteInfoDlg::TakeMembers()
{
    m_strAddress = m_pAddress->text();
    m_strPort = m_pPort->text();
    m_strUserName = m_pUserName->text();
    m_strPassword = m_pPassword->text();
    m_bSavePassword = CheckValue(m_pSavePassword);
    m_strProxy = m_pProxy->text();
    m_bReconnectAtLogon = CheckValue(m_pReconnectAtLogon);
    // Notes the user did not touch come back exactly as they were given: the
    // edit control would turn "\r\n" line breaks of an older record into "\n"
    // and so change a record that nobody edited.
    const QString notes = m_pNotes->toPlainText();
    if (notes != m_strShownNotes)
        m_strNotes = notes;
}

void CSiteInfoDlg::accept()
{
    if (CharacterCount(m_pNotes->toPlainText()) > kMaxNotesLength) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Vamlo"),
                        QStringLiteral("The notes can hold at most %1 characters.").arg(kMaxNotesLength),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("notesTooLongMessage"));
        box.exec();
        m_pNotes->setFocus();
        return;
    }
    TakeMembers();
    QDialog::accept();
}

void CSiteInfoDlg::SetSiteFieldsEnabled(bool enabled)
{
    for (QWidget* field : std::initializer_list<QWidget*>{m_pAddress, m_pUserName, m_pPort, m_pPassword, m_pProxy,
                                                          m_pSavePassword, m_pReconnectAtLogon})
        field->setEnabled(enabled);
}

void CSiteInfoDlg::MakeSiteFieldsReadOnly()
{
    for (QLineEdit* edit : {m_pAddress, m_pUserName, m_pPort, m_pPassword, m_pProxy})
        edit->setReadOnly(true);
    m_pSavePassword->setEnabled(false);
    m_pReconnectAtLogon->setEnabled(false);
}

void CEditableSiteInfoDlg::ApplyFieldAccess() { SetSiteFieldsEnabled(m_bReadOnly != 1); }

CAddSiteDlg::CAddSiteDlg(QWidget* parent) : CEditableSiteInfoDlg(QStringLiteral("Add Site"), parent) {}

CLoginDlg::CLoginDlg(QWidget* parent) : CEditableSiteInfoDlg(QStringLiteral("Login Window"), parent) {}

void CLoginDlg::ApplyFieldAccess()
{
    CEditableSiteInfoDlg::ApplyFieldAccess();
    FocusUserNameWhenAddressGiven();
}

void CSiteInfoDlg::FocusUserNameWhenAddressGiven()
{
    if (!m_pAddress->text().isEmpty() && m_pUserName->isEnabled()) {
        m_pUserName->setFocus();
        m_pUserName->selectAll();
    }
}

CSitePropertiesDlg::CSitePropertiesDlg(QWidget* parent)
    : CSiteInfoDlg(QStringLiteral("Ftp Site Properties"), parent)
{
}

void CSitePropertiesDlg::ApplyFieldAccess() { MakeSiteFieldsReadOnly(); }
