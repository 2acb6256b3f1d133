#include "list/ListViewDetailModel.h"

#include "res/Icons.h"

#include <algorithm>
#include <numeric>

namespace {

struct ColumnSpec {
    const char* heading;
    Qt::Alignment alignment;
    int width;
};

constexpr ColumnSpec kColumns[CListViewDetailModel::COLUMN_COUNT] = {
    {"Name", Qt::AlignLeft, 180},
    {"Size", Qt::AlignRight, 100},
    {"Location", Qt::AlignRight, 80},
    {"Modified", Qt::AlignRight, 160},
    {"Permissions", Qt::AlignLeft, 90},
};

} // namespace

CListViewDetailModel::CListViewDetailModel(QObject* parent)
    : QAbstractTableModel(parent), m_folderIcon(VamloIcons::ClosedFolder()), m_fileIcon(VamloIcons::File()),
      m_linkIcon(VamloIcons::Link())
{
}

CListViewDetailModel::~CListViewDetailModel() = default;

int CListViewDetailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int CListViewDetailModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : COLUMN_COUNT;
}

int CListViewDetailModel::ColumnWidth(int column)
{
    return column >= 0 && column < COLUMN_COUNT ? kColumns[column].width : 0;
}

QVariant CListViewDetailModel::data(const QModelIndex& index, int role) const
{
    const CListItemInfo* item = index.isValid() ? Record(index.row()) : nullptr;
    if (item == nullptr || index.column() < 0 || index.column() >= COLUMN_COUNT)
        return {};
    if (role == Qt::EditRole && index.column() == COL_NAME)
        return QString::fromStdString(item->m_strName);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case COL_NAME:
            return QString::fromStdString(item->m_strName);
        case COL_SIZE:
            return QString::fromStdString(SizeText(*item));
        case COL_LOCATION:
            return m_byLocation == 1 ? QStringLiteral("Local") : QStringLiteral("Remote");
        case COL_MODIFIED:
            return QString::fromStdString(ModifiedText(item->m_timeModified));
        case COL_PERMISSIONS:
            return QString::fromStdString(item->m_strPermissions);
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == COL_NAME)
            return item->IsFolder() ? m_folderIcon : item->m_bLink ? m_linkIcon : m_fileIcon;
        break;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(kColumns[index.column()].alignment | Qt::AlignVCenter);
    }
    return {};
}

QVariant CListViewDetailModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= COLUMN_COUNT)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kColumns[section].heading);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(kColumns[section].alignment | Qt::AlignVCenter);
    return {};
}

void CListViewDetailModel::SetRows(std::vector<std::unique_ptr<CListItemInfo>> rows, uint8_t location)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_byLocation = location;
    endResetModel();
}

void CListViewDetailModel::Clear() { SetRows({}, 0); }

const CListItemInfo* CListViewDetailModel::Record(int row) const
{
    return row >= 0 && row < Count() ? m_rows[static_cast<size_t>(row)].get() : nullptr;
}

void CListViewDetailModel::Sort(int32_t sortColumn, int32_t sortForward)
{
    if (m_rows.size() < 2)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Sorting row numbers lets the persistent indexes (the selection) follow.
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return CompareListItems(*m_rows[static_cast<size_t>(a)], *m_rows[static_cast<size_t>(b)], sortColumn,
                                sortForward) < 0;
    });
    std::vector<int> newRowOf(order.size());
    std::vector<std::unique_ptr<CListItemInfo>> sorted(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
        sorted[i] = std::move(m_rows[static_cast<size_t>(order[i])]);
    }
    m_rows = std::move(sorted);

    const QModelIndexList oldIndexes = persistentIndexList();
    QModelIndexList newIndexes;
    newIndexes.reserve(oldIndexes.size());
    for (const QModelIndex& old : oldIndexes)
        newIndexes.append(index(newRowOf[static_cast<size_t>(old.row())], old.column()));
    changePersistentIndexList(oldIndexes, newIndexes);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

Qt::ItemFlags CListViewDetailModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid())
        result |= Qt::ItemIsDragEnabled;
    if (index.isValid() && index.column() == COL_NAME)
        result |= Qt::ItemIsEditable;
    return result;
}

void CListViewDetailModel::SetName(int row, const std::string& name)
{
    if (row < 0 || row >= Count())
        return;
    m_rows[static_cast<size_t>(row)]->m_strName = name;
    emit dataChanged(index(row, COL_NAME), index(row, COL_NAME));
}

int CListViewDetailModel::FindName(const std::string& name) const
{
    for (int row = 0; row < Count(); ++row)
        if (m_rows[static_cast<size_t>(row)]->m_strName == name)
            return row;
    return -1;
}
