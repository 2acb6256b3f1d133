#include "edit/EditedFilesDlg.h"

#include "edit/EditedFiles.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CEditedFilesDlg::CEditedFilesDlg(CEditedFiles& files, QWidget* parent) : QDialog(parent), m_files(files)
{
    setObjectName(QStringLiteral("EditedFilesDlg"));
    setWindowTitle(QStringLiteral("Files being edited"));
    m_pTable = new QTreeWidget(this);
    m_pTable->setRootIsDecorated(false);
    m_pTable->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Server"), QStringLiteral("State")});
    m_pTable->header()->resizeSection(0, 160);
    m_pTable->header()->resizeSection(1, 260);
    auto* buttons = new QDialogButtonBox(this);
    m_pOpen = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::ActionRole);
    m_pStop = buttons->addButton(QStringLiteral("&Stop Watching"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTable);
    layout->addWidget(buttons);
    resize(660, 220);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    connect(m_pOpen, &QPushButton::clicked, this, [this] { m_files.OpenAgain(SelectedId()); });
    connect(m_pStop, &QPushButton::clicked, this, [this] { m_files.StopWatching(SelectedId()); });
    connect(m_pTable, &QTreeWidget::itemSelectionChanged, this, &CEditedFilesDlg::Fill);
    connect(&m_files, &CEditedFiles::FilesChanged, this, &CEditedFilesDlg::Fill);
    Fill();
}

uint64_t CEditedFilesDlg::SelectedId() const
{
    const QTreeWidgetItem* item = m_pTable->currentItem();
    return item != nullptr && item->isSelected() ? item->data(0, Qt::UserRole).toULongLong() : 0;
}

void CEditedFilesDlg::Fill()
{
    const QSignalBlocker quiet(m_pTable);
    const uint64_t selected = SelectedId();
    m_pTable->clear();
    const CEditedFile* chosen = nullptr;
    for (const auto& file : m_files.Files()) {
        auto* item = new QTreeWidgetItem(m_pTable);
        item->setText(0, QString::fromStdString(file->name));
        item->setText(1, QString::fromStdString(file->Place()));
        item->setText(2, QString::fromLatin1(EditStateText(file->state)));
        item->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(file->id));
        if (file->id == selected) {
            m_pTable->setCurrentItem(item);
            chosen = file.get();
        }
    }
    m_pOpen->setEnabled(chosen != nullptr && chosen->state != EditState::Downloading);
    m_pStop->setEnabled(chosen != nullptr && !chosen->busy);
}
