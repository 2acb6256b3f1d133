#include "ui/DrivePropertiesDlg.h"

#include "TempDir.h"

#include <QLineEdit>
#include <gtest/gtest.h>

TEST(DriveProperties, RoundedTextsChooseTheUnitFirstThenRoundHalfUpAndExactOnesArePlain)
{
    const struct {
        uint64_t bytes;
        const char* rounded;
    } cases[] = {
        {1073741824, "1.00 GB"},
        {1048575, "1024.00 KB"},   // just under 1 MiB
        {1073741823, "1024.00 MB"},
        {1024, "1.00 KB"},
        {1048576, "1.00 MB"},
        {1536, "1.50 KB"},
        {1024 + 6, "1.01 KB"},   // 1.00585...: the third decimal rounds up
        {1024 + 5, "1.00 KB"},   // 1.00488...
        {2047, "2.00 KB"},       // 1.999... carries into the integer
        {uint64_t{5} << 40, "5120.00 GB"},
        {UINT64_MAX, "17179869184.00 GB"},
        {1023, ""},
        {0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundedSizeText(c.bytes), c.rounded) << c.bytes;
    EXPECT_EQ(ExactSizeText(0), "0 Bytes");
    EXPECT_EQ(ExactSizeText(INT64_MAX), "9223372036854775807 Bytes");
}

namespace {

QLineEdit* Field(const QDialog& dialog, int id)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(id));
}

// The texts of the six fields, total/free/available exact then rounded; a
// hidden field reads "-".
std::vector<QString> Fields(const QDialog& dialog)
{
    std::vector<QString> texts;
    for (int id : {1030, 1032, 1031, 1033, 1034, 1035})
        texts.push_back(Field(dialog, id)->isHidden() ? QStringLiteral("-") : Field(dialog, id)->text());
    return texts;
}

} // namespace

TEST(DriveProperties, ValuesFillTheRowsAndSmallOnesShowOnlyTheExactField)
{
    CDrivePropertiesDlg dialog;
    dialog.SetDrive("/media/usb");
    dialog.ShowSpace(DriveSpace{1073741824, 1048575, 1000});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drive (/media/usb) Properties"));
    EXPECT_EQ(Fields(dialog), (std::vector<QString>{"1073741824 Bytes", "1048575 Bytes", "1000 Bytes", "1.00 GB",
                                                    "1024.00 KB", "-"}));

    // A failed query keeps the default texts.
    CDrivePropertiesDlg failed;
    failed.SetDrive("/no/such/volume/here");
    failed.OnInitDialog();
    EXPECT_EQ(Fields(failed), (std::vector<QString>{"Cannot find total space", "Cannot find total free space",
                                                    "Cannot find available free space", "-", "-", "-"}));
    CDrivePropertiesDlg unnamed;
    unnamed.ShowSpace(std::nullopt);
    EXPECT_EQ(unnamed.windowTitle(), QStringLiteral("Drive Properties"));
}

TEST(DriveProperties, TheVolumeOfAFolderIsRead)
{
    TempDir dir;
    const std::optional<DriveSpace> space = QueryDriveSpace(dir.Path());
    ASSERT_TRUE(space);
    EXPECT_GT(space->total, 0);
    EXPECT_LE(space->free, space->total);
    EXPECT_LE(space->available, space->free);

    CDrivePropertiesDlg dialog;
    dialog.SetDrive(dir.Path());
    dialog.OnInitDialog();
    EXPECT_EQ(Field(dialog, 1030)->text().toStdString(), std::to_string(space->total) + " Bytes");
    EXPECT_EQ(dialog.windowTitle(), QString::fromStdString("Drive (" + dir.Path() + ") Properties"));
}
