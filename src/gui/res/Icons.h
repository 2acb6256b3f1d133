#pragma once

#include <QIcon>

// The program's toolbar and view icons, drawn here as vector shapes so that
// they stay crisp at every scale (16 px at 1x, 32 px at 2x).
namespace VamloIcons {
QIcon Copy();
QIcon Paste();
QIcon SaveSiteList();
QIcon PrintWindow();
QIcon AutoSaveLog();
QIcon AutoRefreshLog();
QIcon About();
QIcon Application();
// Folders and files of the tree and the list.
QIcon ClosedFolder();
QIcon OpenFolder();
QIcon File();
QIcon Link();         // a file with a link's arrow
// The volumes and places of the folder tree.
QIcon HardDisk();
QIcon RemovableDisk();
QIcon CdRom();
QIcon Computer();
QIcon NetworkDrive();
QIcon FtpSite();      // a network drive with its cable
QIcon EncryptedFtpSite();   // the same with a padlock
QIcon SftpSite();     // the same with a key (SSH)
QIcon Internet();     // a globe with a page
} // namespace VamloIcons
