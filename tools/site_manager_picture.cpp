// Writes the picture of the Site Manager that the documentation shows: a
// few sample sites, one of them selected, rendered with QWidget::grab.
// Usage: vamlo_site_manager_picture OUTPUT.png
#include "app/GuiPrompts.h"
#include "model/SiteInfo.h"
#include "model/SiteList.h"
#include "sites/SiteManagerDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>

#include <cstdio>

namespace {

void AddSample(CSiteList& list, const char* address, int32_t available, const char* notes)
{
    auto site = std::make_unique<CVamloSiteInfo>();
    site->m_strAddress = address;
    site->m_strUserName = "anonymous";
    site->m_bAvailable = available;
    site->m_strNotes = notes;
    list.push_back(std::move(site));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    CSiteList sites;
    AddSample(sites, "ftp://127.0.0.1:2121", 1, "The demo server of run.sh --demo.");
    AddSample(sites, "ftp://ftp.example.org/pub", 1, "Public mirror.\nLog in as anonymous.");
    AddSample(sites, "ftp://files.example.net", 1, "Release uploads.");
    AddSample(sites, "ftp://archive.example.com:990", 0, "Old archive, kept for reference.");
    AddSample(sites, "ftp://backup.example.org", 0, "Nightly backups.");
    CGuiPrompts prompts;
    CSiteManagerDlg dialog(sites, prompts, nullptr);
    dialog.resize(640, 520);
    dialog.show();
    dialog.FindEdit()->setText(QStringLiteral("ftp://ftp"));
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
