#include "list/PermissionsDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

CPermissionsDlg::CPermissionsDlg(const QString& name, bool isFolder, unsigned mode, bool known, QWidget* parent)
    : QDialog(parent), m_mode(mode & kPermissionBits)
{
    setObjectName(QStringLiteral("PermissionsDlg"));
    setWindowTitle(QStringLiteral("Permissions"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel((isFolder ? QStringLiteral("Folder: %1") : QStringLiteral("File: %1")).arg(name), this);
    title->setTextFormat(Qt::PlainText);
    layout->addWidget(title);
    if (!known)
        layout->addWidget(new QLabel(QStringLiteral("The listing did not give the current permissions."), this));

    auto* grid = new QGridLayout;
    const char* columns[] = {"Read", "Write", "Execute"};
    const char* rows[] = {"Owner", "Group", "Others"};
    for (int column = 0; column < 3; ++column)
        grid->addWidget(new QLabel(QString::fromLatin1(columns[column]), this), 0, column + 1);
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(new QLabel(QString::fromLatin1(rows[row]), this), row + 1, 0);
        for (int column = 0; column < 3; ++column) {
            const int bit = 8 - (row * 3 + column);
            m_boxes[bit] = new QCheckBox(this);
            m_boxes[bit]->setObjectName(QStringLiteral("bit%1").arg(bit));
            m_boxes[bit]->setChecked(m_mode & (1u << bit));
            connect(m_boxes[bit], &QCheckBox::toggled, this, &CPermissionsDlg::FromBoxes);
            grid->addWidget(m_boxes[bit], row + 1, column + 1, Qt::AlignCenter);
        }
    }
    layout->addLayout(grid);
    m_pOctal = new QLineEdit(QString::fromStdString(OctalModeText(m_mode)), this);
    m_pOctal->setObjectName(QStringLiteral("octal"));
    m_pOctal->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-7]{0,4}")), this));
    auto* octalRow = new QHBoxLayout;
    octalRow->addWidget(new QLabel(QStringLiteral("Numeric value:"), this));
    octalRow->addWidget(m_pOctal);
    layout->addLayout(octalRow);
    connect(m_pOctal, &QLineEdit::textEdited, this, &CPermissionsDlg::FromOctal);

    if (isFolder) {
        m_pContents = new QCheckBox(QStringLiteral("Apply to the contents of the folder"), this);
        m_pFiles = new QCheckBox(QStringLiteral("Files"), this);
        m_pFolders = new QCheckBox(QStringLiteral("Folders"), this);
        m_pContents->setObjectName(QStringLiteral("contents"));
        m_pFiles->setObjectName(QStringLiteral("files"));
        m_pFolders->setObjectName(QStringLiteral("folders"));
        m_pFiles->setChecked(true);
        m_pFolders->setChecked(true);
        m_pFiles->setEnabled(false);
        m_pFolders->setEnabled(false);
        connect(m_pContents, &QCheckBox::toggled, m_pFiles, &QWidget::setEnabled);
        connect(m_pContents, &QCheckBox::toggled, m_pFolders, &QWidget::setEnabled);
        layout->addWidget(m_pContents);
        auto* which = new QHBoxLayout;
        which->addSpacing(20);
        which->addWidget(m_pFiles);
        which->addWidget(m_pFolders);
        layout->addLayout(which);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CPermissionsDlg::FromBoxes()
{
    m_mode = 0;
    for (int bit = 0; bit < 9; ++bit)
        m_mode |= m_boxes[bit]->isChecked() ? 1u << bit : 0u;
    m_pOctal->setText(QString::fromStdString(OctalModeText(m_mode)));
    m_pOk->setEnabled(true);
}

void CPermissionsDlg::FromOctal()
{
    unsigned mode = 0;
    // OK waits for a number that is a mode: "1777" would set the sticky bit.
    const bool valid = ParseOctalMode(m_pOctal->text().toStdString(), mode);
    m_pOk->setEnabled(valid);
    if (!valid)
        return;
    m_mode = mode;
    for (int bit = 0; bit < 9; ++bit) {
        const QSignalBlocker quiet(m_boxes[bit]);
        m_boxes[bit]->setChecked(mode & (1u << bit));
    }
}

PermissionChange CPermissionsDlg::Change() const
{
    PermissionChange change;
    change.mode = m_mode;
    change.contents = m_pContents != nullptr && m_pContents->isChecked();
    change.files = m_pFiles != nullptr && m_pFiles->isChecked();
    change.folders = m_pFolders != nullptr && m_pFolders->isChecked();
    return change;
}
