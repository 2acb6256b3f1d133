// The certificate question as the window shows it, and the padlock of an
// encrypted site in the folder tree.
#include "../TreeHarness.h"

#include "services/GuiPrompts.h"

#include "../DialogDriver.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

// Cancel is the default and also what Escape gives.
TEST(CertificateQuestionTest, ShowsTheTextAndAnswersByItsButtons)
{
    const struct {
        bool changed;
        const char* click;   // nullptr: Escape
        CertificateAnswer expected;
    } cases[] = {
        {false, "Accept Once", CertificateAnswer::AcceptOnce},
        {false, "Always", CertificateAnswer::Always},
        {true, nullptr, CertificateAnswer::Cancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.click != nullptr ? c.click : "Escape");
        CGuiPrompts prompts;
        bool asked = false;
        AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
            asked = true;
            EXPECT_EQ(box.text(), QStringLiteral("Subject: CN=host\nSHA-256 fingerprint: AB:CD"));
            EXPECT_EQ(box.defaultButton()->text(), QStringLiteral("Cancel"));
            EXPECT_EQ(box.icon(), c.changed ? QMessageBox::Warning : QMessageBox::Question);
            EXPECT_EQ(box.windowTitle(),
                      c.changed ? QStringLiteral("Vamlo - Security Warning") : QStringLiteral("Vamlo"));
            if (c.click == nullptr)
                QTest::keyClick(&box, Qt::Key_Escape);
            for (QAbstractButton* button : box.buttons())
                if (c.click != nullptr && button->text() == QLatin1String(c.click))
                    button->click();
        });
        EXPECT_EQ(prompts.AskCertificate("Subject: CN=host\nSHA-256 fingerprint: AB:CD", c.changed), c.expected);
        EXPECT_TRUE(asked);
    }
}

// A passphrase or a server's question: typed in dots, Enter gives it, Escape cancels.
TEST(SecretQuestionTest, TypedInDotsAndCancelledByEscape)
{
    for (const bool enter : {true, false}) {
        CGuiPrompts prompts;
        AnswerNextDialog<QInputDialog>([&](QInputDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Key passphrase"));
            EXPECT_EQ(dialog.labelText(), QStringLiteral("Enter the passphrase:"));
            auto* edit = dialog.findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
            QTest::keyClicks(edit, QStringLiteral("s3cret words"));
            QTest::keyClick(edit, enter ? Qt::Key_Return : Qt::Key_Escape);
        });
        std::string secret = "unchanged";
        EXPECT_EQ(prompts.AskSecret("Key passphrase", "Enter the passphrase:", secret), enter);
        EXPECT_EQ(secret, enter ? "s3cret words" : "unchanged");
    }
}

namespace {

class TlsTreeTest : public TreeHarness {
protected:
    TlsTreeTest() : TreeHarness([] {
        FtpServerOptions options;
        options.tls = FtpServerOptions::Tls::Required;
        return options;
    }()) {}
};

} // namespace

TEST_F(TlsTreeTest, EncryptedSiteShowsAPadlockAndSaysSo)
{
    tree->OnInitialUpdate();
    Settle();
    CVamloSiteInfo* site = AddSiteRecord();
    site->m_strAddress = "ftpes://127.0.0.1:" + std::to_string(m_server.Port());
    // The question comes from the worker through the window's prompts.
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    tree->AddSiteItem(site);
    Settle();
    QTreeWidgetItem* item = tree->FindSiteItem(site);
    ASSERT_NE(item, nullptr) << (prompts.Texts().empty() ? "" : prompts.Texts()[0]);
    EXPECT_EQ(prompts.CertificateQuestions().size(), 1u);
    EXPECT_EQ(item->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_ENCRYPTED_FTP_SITE);
    EXPECT_EQ(item->toolTip(0).toStdString(),
              "ftpes://user@127.0.0.1:" + std::to_string(m_server.Port()) + "\nEncrypted (TLS)");
    ASSERT_EQ(ChildTexts(item), QStringList{});   // listed over TLS: the root is empty
}
