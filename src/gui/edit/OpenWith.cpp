#include "edit/OpenWith.h"

#include "edit/DesktopApps.h"
#include "transfer/QuestionParent.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>
#include <QVBoxLayout>

#include <vector>

namespace {

std::vector<DesktopApp> AppsForFile(const QString& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    std::vector<std::string> names{type.name().toStdString()};
    for (const QString& name : type.aliases() + type.allAncestors())
        names.push_back(name.toStdString());
    return AppsForTypes(names, XdgFoldersFromEnvironment());
}

// A notice that opens without a loop of its own.
void Notice(QWidget* parent, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Vamlo"), text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

bool OpenWithDefault(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

bool OpenWithApp(const DesktopApp& app, const QString& path)
{
    const std::vector<std::string> args = ExecArguments(app.exec, path.toStdString());
    if (args.empty())
        return false;
    QStringList rest;
    for (std::size_t i = 1; i < args.size(); ++i)
        rest << QString::fromStdString(args[i]);
    return QProcess::startDetached(QString::fromStdString(args.front()), rest);
}

COpenWithDlg::COpenWithDlg(const QString& path, QWidget* parent) : QDialog(parent), m_strPath(path)
{
    setObjectName(QStringLiteral("OpenWithDlg"));
    setWindowTitle(QStringLiteral("Open With"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_pApps = new QListWidget(this);
    std::vector<DesktopApp> apps = AppsForFile(path);
    for (const DesktopApp& app : apps) {
        auto* item = new QListWidgetItem(QString::fromStdString(app.name), m_pApps);
        item->setData(Qt::UserRole, QString::fromStdString(app.id));
        item->setData(Qt::UserRole + 1, QString::fromStdString(app.exec));
    }
    m_pApps->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Open %1 with:").arg(QFileInfo(path).fileName()), this));
    layout->addWidget(m_pApps);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pApps, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(this, &QDialog::accepted, this, [this] {
        const QListWidgetItem* item = m_pApps->currentItem();
        if (item == nullptr)
            return;
        const DesktopApp app{item->data(Qt::UserRole).toString().toStdString(), item->text().toStdString(),
                             item->data(Qt::UserRole + 1).toString().toStdString()};
        if (!OpenWithApp(app, m_strPath))
            Notice(parentWidget(), QStringLiteral("%1 could not be started.").arg(item->text()));
    });
}

COpenWithDlg* COpenWithDlg::Show(const QString& path, QWidget* parent)
{
    auto* dialog = new COpenWithDlg(path, QuestionParent(parent));
    if (dialog->m_pApps->count() == 0) {
        delete dialog;
        Notice(QuestionParent(parent), QStringLiteral("The desktop knows no application for the file %1.").arg(path));
        return nullptr;
    }
    dialog->open();
    return dialog;
}
