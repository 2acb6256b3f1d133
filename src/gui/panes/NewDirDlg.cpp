#include "panes/NewDirDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CNewDirDlg::CNewDirDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NewDirDlg"));
    setWindowTitle(QStringLiteral("Create New Directory"));
    // Wide enough for the title beside the title bar's icon and buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Please specify new directory name:"), this));
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QString::number(IDC_DIR_NAME));
    layout->addWidget(m_pEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CNewDirDlg::accept()
{
    m_strDirName = m_pEdit->text().toStdString();
    QDialog::accept();
}
