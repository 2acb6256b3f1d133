#pragma once

// The FTP engine's public interface in one include.
#include "ftp/FtpConnection.h"
#include "net/NetErrors.h"
#include "ftp/FtpFileFind.h"
#include "net/NetFlags.h"
#include "net/InternetException.h"
#include "ftp/InternetFile.h"
#include "ftp/InternetSession.h"
