#pragma once

#include "model/FileInfo.h"

#include <string>

class CVamloDoc;
class IPrompts;
struct TransferJob;

// A move is a copy, then the delete of its local sources. The sources go only
// when the copy brought every file across: after a failure, a skipped file or
// a cancel they all stay, so nothing the user moved is ever lost.

// Deletes the local files and folders of the entries, with the read-only
// questions of Delete.
void DeleteMovedSources(CVamloDoc& doc, IPrompts& prompts, const CFileInfoList& entries);

// The local road of a move: the copy into targetFolder on the GUI thread,
// then the sources' delete, or the status text says why they stay.
void MoveEntriesLocally(CVamloDoc& doc, IPrompts& prompts, const std::string& targetFolder,
                        const CFileInfoList& entries);

// Around the Put of a move, on its worker: the file counts are forgotten
// first, so that a Put that ends before counting never looks complete; after
// it, the sources are deleted or the log says why they stay.
void BeginPutMove(CVamloDoc& doc);
void EndPutMove(CVamloDoc& doc, const TransferJob& job);

inline constexpr const char* kMoveKeptSourcesText = "Move not completed: the source files were kept.";
