// The Site Manager's window: its controls, the two sorted lists, selection,
// Find Site, keys, and the remembered size.
#include "sites/SiteManagerDlg.h"

#include "app/SiteManagerChanges.h"
#include "log/CourierFont.h"
#include "sites/DialogSize.h"
#include "sites/SiteFind.h"
#include "sites/SiteInfoDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int kCopyRole = Qt::UserRole;

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter belongs to the lists and Find Site (Properties), not to the
    // button that last had the focus.
    button->setAutoDefault(false);
    return button;
}

QListWidget* MakeList(const char* name, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QStringList ItemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

// The sorted lists order their addresses as the user reads them: letter
// case only breaks ties.
bool SortsBefore(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.compare(b, Qt::CaseSensitive) < 0;
}

} // namespace

CSiteManagerDlg::CSiteManagerDlg(CSiteList& siteList, IPrompts& prompts, ISettingsStore* settings, QWidget* parent)
    : QDialog(parent), m_workList(MakeSiteWorkList(siteList)), m_siteList(siteList), m_prompts(prompts),
      m_pSettings(settings)
{
    setWindowTitle(QStringLiteral("Site Manager"));
    setModal(true);
    setSizeGripEnabled(true);
    BuildLayout();
    resize(640, 600);
    RestoreDialogSize(*this, m_pSettings, kSizeValue);
    FillLists();
    UpdateControls();
}

CSiteManagerDlg::~CSiteManagerDlg() = default;

void CSiteManagerDlg::BuildLayout()
{
    m_pFind = new QLineEdit(this);
    m_pFind->setObjectName(QStringLiteral("findSite"));
    m_pStoredList = MakeList("storedList", this);
    m_pAvailableList = MakeList("availableList", this);
    m_pMoveToAvailable = MakeButton(QStringLiteral("Move  >>"), "moveToAvailable", this);
    m_pMoveToStored = MakeButton(QStringLiteral("Move  <<"), "moveToStored", this);
    m_pAdd = MakeButton(QStringLiteral("Add..."), "addButton", this);
    m_pDelete = MakeButton(QStringLiteral("Delete..."), "deleteButton", this);
    m_pProperties = MakeButton(QStringLiteral("Properties..."), "propertiesButton", this);
    m_pNotes = new QTextEdit(this);
    m_pNotes->setObjectName(QStringLiteral("notes"));
    m_pNotes->setReadOnly(true);
    m_pNotes->setAcceptRichText(false);
    m_pNotes->setFont(CourierFont());
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = MakeButton(QStringLiteral("Cancel"), "cancelButton", this);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(new QLabel(QStringLiteral("Find Site:"), this));
    findRow->addWidget(m_pFind, 1);

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(m_pMoveToAvailable);
    moves->addWidget(m_pMoveToStored);
    moves->addStretch();
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("Stored Site List"), this), 0, 0);
    lists->addWidget(new QLabel(QStringLiteral("Available Site List"), this), 0, 2);
    lists->addWidget(m_pStoredList, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(m_pAvailableList, 1, 2);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);

    auto* edits = new QHBoxLayout;
    edits->addWidget(m_pAdd);
    edits->addWidget(m_pDelete);
    edits->addWidget(m_pProperties);
    edits->addStretch();

    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok);
    closing->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addLayout(lists, 3);
    layout->addLayout(edits);
    layout->addWidget(new QLabel(QStringLiteral("Notes:"), this));
    layout->addWidget(m_pNotes, 1);
    layout->addLayout(closing);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pMoveToAvailable, &QPushButton::clicked, this, &CSiteManagerDlg::OnMoveToAvailable);
    connect(m_pMoveToStored, &QPushButton::clicked, this, &CSiteManagerDlg::OnMoveToStored);
    connect(m_pAdd, &QPushButton::clicked, this, &CSiteManagerDlg::OnAdd);
    connect(m_pDelete, &QPushButton::clicked, this, &CSiteManagerDlg::OnDelete);
    connect(m_pProperties, &QPushButton::clicked, this, &CSiteManagerDlg::OnProperties);
    connect(m_pFind, &QLineEdit::textChanged, this, &CSiteManagerDlg::OnFindSite);
    connect(m_pStoredList, &QListWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(m_pStoredList); });
    connect(m_pAvailableList, &QListWidget::itemSelectionChanged, this,
            [this] { OnSelectionChanged(m_pAvailableList); });
    connect(m_pStoredList, &QListWidget::itemDoubleClicked, this, &CSiteManagerDlg::OnMoveToAvailable);
    connect(m_pAvailableList, &QListWidget::itemDoubleClicked, this, &CSiteManagerDlg::OnMoveToStored);
    for (QWidget* watched : {static_cast<QWidget*>(m_pFind), static_cast<QWidget*>(m_pStoredList),
                             static_cast<QWidget*>(m_pAvailableList)})
        watched->installEventFilter(this);
}

void CSiteManagerDlg::FillLists()
{
    for (const auto& copy : m_workList)
        AddItem(copy->m_bAvailable == 1 ? m_pAvailableList : m_pStoredList, copy.get());
}

QListWidgetItem* CSiteManagerDlg::AddItem(QListWidget* list, CVamloSiteInfo* copy)
{
    const QString text = QString::fromStdString(copy->m_strAddress);
    int row = 0;
    while (row < list->count() && !SortsBefore(text, list->item(row)->text()))
        ++row;
    auto* item = new QListWidgetItem(text);
    item->setData(kCopyRole, QVariant::fromValue(reinterpret_cast<quintptr>(copy)));
    list->insertItem(row, item);
    return item;
}

CVamloSiteInfo* CSiteManagerDlg::CopyOf(const QListWidgetItem* item)
{
    return item != nullptr ? reinterpret_cast<CVamloSiteInfo*>(item->data(kCopyRole).value<quintptr>()) : nullptr;
}

QListWidgetItem* CSiteManagerDlg::Selected(const QListWidget* list)
{
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

void CSiteManagerDlg::ClearSelection(QListWidget* list)
{
    list->setCurrentItem(nullptr);
    list->clearSelection();
}

void CSiteManagerDlg::Select(QListWidget* list, QListWidgetItem* item)
{
    list->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    list->scrollToItem(item);
}

QListWidgetItem* CSiteManagerDlg::SelectedItem(QListWidget** list) const
{
    for (QListWidget* box : {m_pStoredList, m_pAvailableList}) {
        if (QListWidgetItem* item = Selected(box)) {
            if (list != nullptr)
                *list = box;
            return item;
        }
    }
    return nullptr;
}

void CSiteManagerDlg::OnSelectionChanged(QListWidget* list)
{
    if (Selected(list) != nullptr)
        ClearSelection(list == m_pStoredList ? m_pAvailableList : m_pStoredList);
    UpdateControls();
}

void CSiteManagerDlg::UpdateControls()
{
    const bool stored = Selected(m_pStoredList) != nullptr;
    const bool available = !stored && Selected(m_pAvailableList) != nullptr;
    m_pMoveToAvailable->setEnabled(stored);
    m_pMoveToStored->setEnabled(available);
    m_pProperties->setEnabled(stored || available);
    m_pDelete->setEnabled(stored || available);
    m_pAdd->setEnabled(true);
    // With nothing selected the notes keep what they showed.
    if (const CVamloSiteInfo* copy = CopyOf(SelectedItem(nullptr)))
        m_pNotes->setPlainText(QString::fromStdString(copy->m_strNotes));
}

void CSiteManagerDlg::OnFindSite(const QString& text)
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return;
    const int availableRow = FindSiteRow(ItemTexts(m_pAvailableList), wanted);
    if (availableRow >= 0) {
        ClearSelection(m_pStoredList);
        Select(m_pAvailableList, m_pAvailableList->item(availableRow));
    } else if (const int storedRow = FindSiteRow(ItemTexts(m_pStoredList), wanted); storedRow >= 0) {
        ClearSelection(m_pAvailableList);
        Select(m_pStoredList, m_pStoredList->item(storedRow));
    } else {
        ClearSelection(m_pStoredList);
    }
    UpdateControls();
}

bool CSiteManagerDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool inList = watched == m_pStoredList || watched == m_pAvailableList;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The site the user found or picked, not the dialog, is what
            // Enter opens; with none there is nothing to open.
            if (SelectedItem(nullptr) != nullptr)
                OnProperties();
            return true;
        }
        if (inList && key == Qt::Key_Delete) {
            if (SelectedItem(nullptr) != nullptr)
                OnDelete();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CSiteManagerDlg::done(int result)
{
    SaveDialogSize(*this, m_pSettings, kSizeValue);
    QDialog::done(result);
}

bool CSiteManagerDlg::RunSiteDialog(CAddSiteDlg& dialog)
{
    if (m_fnRunSiteDialog)
        return m_fnRunSiteDialog(dialog);
    return dialog.exec() == QDialog::Accepted;
}
