#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;

// The three sizes of one volume, in bytes.
class QStorageInfo;

struct DriveSpace {
    int64_t total = 0;
    int64_t free = 0;
    int64_t available = 0;   // what the user may still write
};

// The volume's sizes, or nullopt when they cannot be read (no medium, no
// such path, or a volume that does not answer within the tree's limit).
std::optional<DriveSpace> QueryDriveSpace(const std::string& path);
// The space of path's volume: from storage, the mount table's entry for it,
// else from the folder's own file system, since a chroot or a container may
// not list its own mounts.
std::optional<DriveSpace> DriveSpaceOf(const std::string& path, const QStorageInfo& storage);

// "<decimal> Bytes".
std::string ExactSizeText(int64_t bytes);
// "1.00 GB", "1024.00 KB": the unit chosen first (GB from 2^30, MB from
// 2^20, KB from 1024), then the value rounded half up to two decimals in it.
// Empty below 1024 bytes.
std::string RoundedSizeText(uint64_t bytes);

// "Drive Properties": the total, free and available space of one volume.
class CDrivePropertiesDlg : public QDialog {
    Q_OBJECT

public:
    explicit CDrivePropertiesDlg(QWidget* parent = nullptr);

    // The volume's path, as the tree stores it; read when the dialog is filled.
    void SetDrive(const std::string& path) { m_strDrive = path; }
    // Sets the caption and the fields from the volume (done before showing).
    void OnInitDialog();
    // The same from sizes already read: nullopt is a failed query.
    void ShowSpace(const std::optional<DriveSpace>& space);

    // The dialog fills itself each time it is shown.
    void setVisible(bool visible) override;

    std::string m_strDrive;

private:
    struct Row {
        QLabel* label = nullptr;
        QLineEdit* exact = nullptr;
        QLineEdit* rounded = nullptr;
    };
    Row AddRow(int index, const QString& caption, int labelId, int exactId, int roundedId, const QString& defaultText);
    static void ShowRow(Row& row, int64_t bytes);

    Row m_total;
    Row m_free;
    Row m_available;
    bool m_bFilled = false;
};
