#pragma once

#include <string>
#include <vector>

// One run of another program (curl, lftp, cp), timed from just before it is
// started to just after it has been reaped.
struct ToolRun {
    bool bOk = false;        // started, and exited with status 0
    double dSeconds = 0;
    std::string strError;    // why not ok: the exit status and the start of its stderr
};

// Runs argv[0] (looked up in PATH) with stdin from /dev/null, stdout to
// stdoutPath ("" for /dev/null) and stderr to stderrPath. A run that takes
// longer than timeoutSeconds is killed and fails.
ToolRun RunTool(const std::vector<std::string>& argv, const std::string& stdoutPath, const std::string& stderrPath,
                int timeoutSeconds);

// The first line a program prints for these arguments (its version), or "".
std::string FirstOutputLine(const std::vector<std::string>& argv, const std::string& scratchFolder);
