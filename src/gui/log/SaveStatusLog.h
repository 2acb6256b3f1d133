#pragma once

#include <QString>

#include <functional>
#include <string>

class CRichEditViewActionLog;
class IPrompts;
class QWidget;

// Chooses the file to save the log to; an empty text means cancelled.
using StatusLogPathChooser = std::function<QString(QWidget* parent)>;

// The system's Save dialog for the log: "Save FTP Action Status Log As",
// text files, default suffix "txt", no default name, and a question before
// an existing file is replaced.
QString AskStatusLogSavePath(QWidget* parent);

// Writes bytes to path so that the file then holds exactly them. The file is
// locked against other writers while it is written (a file that another
// writer holds, such as the autosave log, is refused untouched). Only a
// regular file or a new one is written: a pipe, a device or a folder is
// refused at once, never waited on. Every failure is told through prompts;
// true when the file was written.
bool WriteStatusLogFile(const std::string& path, const std::string& bytes, IPrompts& prompts);

// Save Status Log As: asks for the file, then writes the text the view shows.
// Cancel or an empty path writes nothing. True when the file was written.
bool SaveStatusLogAs(QWidget* parent, const CRichEditViewActionLog& view, IPrompts& prompts,
                     const StatusLogPathChooser& choosePath = AskStatusLogSavePath);
