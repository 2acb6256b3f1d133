#include "volumes/DrivePropertiesDlg.h"

#include "volumes/Volumes.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <cstdio>
#include <sys/statvfs.h>

std::optional<DriveSpace> QueryDriveSpace(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    // statfs on a dead network mount blocks: ask on a thread, for a bounded time.
    std::optional<std::optional<DriveSpace>> answer = RunBounded<std::optional<DriveSpace>>(
        [path] { return DriveSpaceOf(path, QStorageInfo(QString::fromStdString(path))); }, kVolumeAnswerLimit);
    return answer.value_or(std::nullopt);
}

std::optional<DriveSpace> DriveSpaceOf(const std::string& path, const QStorageInfo& storage)
{
    DriveSpace space{storage.bytesTotal(), storage.bytesFree(), storage.bytesAvailable()};
    if (!storage.isValid() || !storage.isReady()) {
        struct statvfs info {};
        if (statvfs(path.c_str(), &info) != 0)
            return std::nullopt;
        const auto bytes = [&info](fsblkcnt_t blocks) { return static_cast<int64_t>(blocks * info.f_frsize); };
        space = {bytes(info.f_blocks), bytes(info.f_bfree), bytes(info.f_bavail)};
    }
    if (space.total < 0 || space.free < 0 || space.available < 0)
        return std::nullopt;
    return space;
}

std::string ExactSizeText(int64_t bytes)
{
    return std::to_string(bytes) + " Bytes";
}

std::string RoundedSizeText(uint64_t bytes)
{
    uint64_t divisor = 0;
    const char* suffix = "";
    if (bytes >= (uint64_t{1} << 30)) {
        divisor = uint64_t{1} << 30;
        suffix = " GB";
    } else if (bytes >= (uint64_t{1} << 20)) {
        divisor = uint64_t{1} << 20;
        suffix = " MB";
    } else if (bytes >= 1024) {
        divisor = 1024;
        suffix = " KB";
    } else {
        return std::string();
    }
    uint64_t whole = bytes / divisor;
    // The remainder is below 2^30, so a thousandfold of it fits easily.
    const uint64_t thousandths = (bytes % divisor) * 1000 / divisor;
    uint64_t hundredths = (thousandths + 5) / 10;
    if (hundredths == 100) {
        ++whole;
        hundredths = 0;
    }
    char decimals[16];
    std::snprintf(decimals, sizeof decimals, "%02u", static_cast<unsigned>(hundredths));
    return std::to_string(whole) + "." + decimals + suffix;
}

CDrivePropertiesDlg::CDrivePropertiesDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Drive Properties"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    m_total = AddRow(0, QStringLiteral("Total Space:"), 0, 1030, 1033, QStringLiteral("Cannot find total space"));
    m_free = AddRow(1, QStringLiteral("Total Free Space:"), 0, 1032, 1034,
                    QStringLiteral("Cannot find total free space"));
    m_available = AddRow(2, QStringLiteral("Available Free Space::"), 1036, 1031, 1035,
                         QStringLiteral("Cannot find available free space"));
    grid->setColumnMinimumWidth(1, 200);
    grid->setColumnMinimumWidth(2, 120);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

CDrivePropertiesDlg::Row CDrivePropertiesDlg::AddRow(int index, const QString& caption, int labelId, int exactId,
                                                     int roundedId, const QString& defaultText)
{
    auto* grid = static_cast<QGridLayout*>(layout()->itemAt(0)->layout());
    Row row;
    row.label = new QLabel(caption, this);
    if (labelId != 0)
        row.label->setObjectName(QStringLiteral("IDC_%1").arg(labelId));
    row.exact = new QLineEdit(defaultText, this);
    row.exact->setObjectName(QStringLiteral("IDC_%1").arg(exactId));
    row.rounded = new QLineEdit(defaultText, this);
    row.rounded->setObjectName(QStringLiteral("IDC_%1").arg(roundedId));
    for (QLineEdit* field : {row.exact, row.rounded}) {
        field->setReadOnly(true);
        field->setFrame(false);
        field->setFocusPolicy(Qt::ClickFocus);
    }
    grid->addWidget(row.label, index, 0);
    grid->addWidget(row.exact, index, 1);
    grid->addWidget(row.rounded, index, 2);
    return row;
}

void CDrivePropertiesDlg::setVisible(bool visible)
{
    if (visible && !m_bFilled)
        OnInitDialog();
    QDialog::setVisible(visible);
}

void CDrivePropertiesDlg::OnInitDialog()
{
    ShowSpace(QueryDriveSpace(m_strDrive));
}

void CDrivePropertiesDlg::ShowSpace(const std::optional<DriveSpace>& space)
{
    m_bFilled = true;
    setWindowTitle(m_strDrive.empty() ? QStringLiteral("Drive Properties")
                                      : QStringLiteral("Drive (%1) Properties").arg(QString::fromStdString(m_strDrive)));
    if (!space) {
        for (Row* row : {&m_total, &m_free, &m_available})
            row->rounded->hide();
        return;
    }
    ShowRow(m_total, space->total);
    ShowRow(m_free, space->free);
    ShowRow(m_available, space->available);
}

void CDrivePropertiesDlg::ShowRow(Row& row, int64_t bytes)
{
    const std::string exact = ExactSizeText(bytes);
    if (exact.empty()) {
        row.exact->hide();
        return;
    }
    row.exact->setText(QString::fromStdString(exact));
    row.exact->show();
    const std::string rounded = RoundedSizeText(static_cast<uint64_t>(bytes));
    row.rounded->setText(QString::fromStdString(rounded));
    row.rounded->setVisible(!rounded.empty());
}
