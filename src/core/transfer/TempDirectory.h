#pragma once

#include <string>

class CVamloDoc;
class IPrompts;

// The local folder that a copy from site to site passes through. It is
// emptied before every such copy and keeps what arrived until the next one.
// Everything works on full paths: the process's current directory is never
// changed, since the window's thread and short actions share it.
class CTempDirectory {
public:
    CTempDirectory(CVamloDoc& doc, IPrompts& prompts);

    // Creates the folder or empties it; shows its own messages. 0 ends the
    // copy before it starts.
    int PrepareTempDirectory();
    // Deletes everything inside the folder and checks that nothing is left.
    // Read-only entries go without a question; links go as links.
    int EmptyTempDirectory();

private:
    int DeleteFile(const std::string& path, bool readOnly);

    CVamloDoc& m_doc;
    IPrompts& m_prompts;
    std::string m_strPath;
};

// Bytes free to an ordinary user on the volume that holds path; -1 when
// unknown.
long long FreeBytesAt(const std::string& path);
