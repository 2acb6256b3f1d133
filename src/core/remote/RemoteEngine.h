#pragma once

// What the transfers, file operations and views use of a remote site, in
// one include, whatever protocol the site speaks.
#include "net/InternetException.h"
#include "net/NetErrors.h"
#include "net/NetFlags.h"
#include "remote/RemoteConnection.h"
#include "remote/RemoteFile.h"
#include "remote/RemoteFileFind.h"
