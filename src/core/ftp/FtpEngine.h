#pragma once

// The FTP engine's public interface in one include.
#include "ftp/FtpConnection.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpFileFind.h"
#include "ftp/FtpFlags.h"
#include "ftp/InternetException.h"
#include "ftp/InternetFile.h"
#include "ftp/InternetSession.h"
