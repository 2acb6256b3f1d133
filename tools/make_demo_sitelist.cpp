// Writes a site list file that holds one site, available and connected at
// start-up: the demo of run.sh uses it with its own local FTP server.
// Usage: vamlo_make_sitelist FILE ADDRESS USER PASSWORD
#include "model/SiteList.h"

#include <cstdio>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FILE ADDRESS USER PASSWORD\n", argv[0]);
        return 2;
    }
    auto site = std::make_unique<CVamloSiteInfo>();
    site->m_strAddress = argv[2];
    site->m_strUserName = argv[3];
    site->m_strPassword = argv[4];
    site->m_bSavePassword = 1;
    site->m_bAvailable = 1;
    site->m_bReconnectAtLogon = 1;
    site->m_strNotes = "The local demo server of run.sh --demo.";
    CSiteList sites;
    sites.push_back(std::move(site));
    std::string error;
    if (!SaveSiteListFile(argv[1], CSiteListHeader{}, sites, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
