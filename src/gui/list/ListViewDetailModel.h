#pragma once

#include "list/ListItemInfo.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <cstdint>
#include <memory>
#include <vector>

// The rows of the file list: one record each, owned here. Texts are made
// when a row is painted, so a listing of thousands costs only the records.
class CListViewDetailModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column : int { COL_NAME = 0, COL_SIZE = 1, COL_LOCATION = 2, COL_MODIFIED = 3, COL_PERMISSIONS = 4, COLUMN_COUNT = 5 };

    explicit CListViewDetailModel(QObject* parent = nullptr);
    ~CListViewDetailModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Names can be edited in place; the view decides what an edit does.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The row's name after a rename.
    void SetName(int row, const std::string& name);
    // The row of a name, or -1.
    int FindName(const std::string& name) const;

    // Replaces every row; location 1 shows "Local", 2 "Remote".
    void SetRows(std::vector<std::unique_ptr<CListItemInfo>> rows, uint8_t location);
    void Clear();
    // Reorders the rows; selected and current rows move with their records.
    void Sort(int32_t sortColumn, int32_t sortForward);

    const CListItemInfo* Record(int row) const;
    int Count() const { return static_cast<int>(m_rows.size()); }

    static int ColumnWidth(int column);

private:
    std::vector<std::unique_ptr<CListItemInfo>> m_rows;
    uint8_t m_byLocation = 0;
    QIcon m_folderIcon;
    QIcon m_fileIcon;
    QIcon m_linkIcon;
};
