#pragma once

#include <string>

// The log view as the log sees it. Appending is the common case; the whole
// text is sent only when a start banner replaces the log, so a line costs the
// same however long the log has grown.
class ILogViewSink {
public:
    virtual ~ILogViewSink() = default;

    virtual void SetLogText(const std::string& wholeText) = 0;
    virtual void AppendLogText(const std::string& text) = 0;
};
