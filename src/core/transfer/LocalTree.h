#pragma once

#include "transfer/TransferTree.h"

#include <string>

// Lists a local folder into a tree, in file-system order, each folder
// followed by its subtree. Links to folders are followed only when they stay
// inside the folder being listed and do not lead back into a folder already
// on the way down, so a link loop cannot make an endless walk.
void BuildLocalTree(CTransferTreeItem& root, const std::string& rootPath);

// The files in a tree built that way.
int64_t CountTreeFiles(const CTransferTreeItem& item);
// Adds the bytes of the file at path, or of the files in a tree built from
// path; bytes becomes -1, and stays so, once a file cannot be sized.
void AddLocalFileBytes(const std::string& path, int64_t& bytes);
void AddTreeFileBytes(const CTransferTreeItem& item, const std::string& path, int64_t& bytes);

// The real (resolved) path, or empty when it does not exist.
std::string RealLocalPath(const std::string& path);
// True when path is folder or lies below it (both real paths).
bool IsPathInside(const std::string& path, const std::string& folder);
