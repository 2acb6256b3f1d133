#include "ui/DrivePropertiesDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

TEST(DriveProperties, RoundedTextsChooseTheUnitFirstThenRoundHalfUp)
{
    EXPECT_EQ(RoundedSizeText(1073741824), "1.00 GB");
    EXPECT_EQ(RoundedSizeText(1048575), "1024.00 KB");   // just under 1 MiB
    EXPECT_EQ(RoundedSizeText(1073741823), "1024.00 MB");
    EXPECT_EQ(RoundedSizeText(1024), "1.00 KB");
    EXPECT_EQ(RoundedSizeText(1048576), "1.00 MB");
    EXPECT_EQ(RoundedSizeText(1536), "1.50 KB");
    // 1.005 KB (third decimal 5) rounds up; 1.004 KB stays.
    EXPECT_EQ(RoundedSizeText(1024 + 6), "1.01 KB");   // 1.00585...
    EXPECT_EQ(RoundedSizeText(1024 + 5), "1.00 KB");   // 1.00488...
    EXPECT_EQ(RoundedSizeText(2047), "2.00 KB");       // 1.999... carries into the integer
    EXPECT_EQ(RoundedSizeText(uint64_t{5} << 40), "5120.00 GB");
    EXPECT_EQ(RoundedSizeText(UINT64_MAX), "17179869184.00 GB");
    EXPECT_EQ(RoundedSizeText(1023), "");
    EXPECT_EQ(RoundedSizeText(0), "");
}

TEST(DriveProperties, ExactTextIsThePlainDecimal)
{
    EXPECT_EQ(ExactSizeText(1073741824), "1073741824 Bytes");
    EXPECT_EQ(ExactSizeText(0), "0 Bytes");
    EXPECT_EQ(ExactSizeText(INT64_MAX), "9223372036854775807 Bytes");
}

namespace {

QLineEdit* Field(const QDialog& dialog, int id)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(id));
}

} // namespace

TEST(DriveProperties, ValuesFillTheRowsAndSmallOnesShowOnlyTheExactField)
{
    CDrivePropertiesDlg dialog;
    dialog.SetDrive("/media/usb");
    dialog.ShowSpace(DriveSpace{1073741824, 1048575, 1000});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drive (/media/usb) Properties"));
    EXPECT_EQ(Field(dialog, 1030)->text(), QStringLiteral("1073741824 Bytes"));
    EXPECT_EQ(Field(dialog, 1033)->text(), QStringLiteral("1.00 GB"));
    EXPECT_EQ(Field(dialog, 1032)->text(), QStringLiteral("1048575 Bytes"));
    EXPECT_EQ(Field(dialog, 1034)->text(), QStringLiteral("1024.00 KB"));
    EXPECT_EQ(Field(dialog, 1031)->text(), QStringLiteral("1000 Bytes"));
    EXPECT_FALSE(Field(dialog, 1033)->isHidden());
    EXPECT_FALSE(Field(dialog, 1034)->isHidden());
    EXPECT_FALSE(Field(dialog, 1031)->isHidden());
    EXPECT_TRUE(Field(dialog, 1035)->isHidden());
    ASSERT_NE(dialog.findChild<QLabel*>(QStringLiteral("IDC_1036")), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("IDC_1036"))->text(), QStringLiteral("Available Free Space::"));
}

TEST(DriveProperties, FailedQueryKeepsTheDefaultTexts)
{
    CDrivePropertiesDlg dialog;
    dialog.SetDrive("/no/such/volume/here");
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drive (/no/such/volume/here) Properties"));
    EXPECT_EQ(Field(dialog, 1030)->text(), QStringLiteral("Cannot find total space"));
    EXPECT_EQ(Field(dialog, 1032)->text(), QStringLiteral("Cannot find total free space"));
    EXPECT_EQ(Field(dialog, 1031)->text(), QStringLiteral("Cannot find available free space"));
    for (int id : {1030, 1032, 1031})
        EXPECT_FALSE(Field(dialog, id)->isHidden()) << id;
    for (int id : {1033, 1034, 1035})
        EXPECT_TRUE(Field(dialog, id)->isHidden()) << id;

    CDrivePropertiesDlg unnamed;
    unnamed.ShowSpace(std::nullopt);
    EXPECT_EQ(unnamed.windowTitle(), QStringLiteral("Drive Properties"));
}

TEST(DriveProperties, TheRootVolumeIsRead)
{
    const std::optional<DriveSpace> space = QueryDriveSpace("/");
    ASSERT_TRUE(space);
    EXPECT_GT(space->total, 0);
    EXPECT_LE(space->free, space->total);
    EXPECT_LE(space->available, space->free);

    CDrivePropertiesDlg dialog;
    dialog.SetDrive("/");
    dialog.OnInitDialog();
    EXPECT_TRUE(Field(dialog, 1030)->text().endsWith(QStringLiteral(" Bytes")));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drive (/) Properties"));
}
