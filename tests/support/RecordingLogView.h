#pragma once

#include "log/LogViewSink.h"

#include <mutex>
#include <string>

// A log view that keeps what it shows, and counts how it was told.
class RecordingLogView : public ILogViewSink {
public:
    void SetLogText(const std::string& wholeText) override
    {
        std::lock_guard lock(m_mutex);
        m_text = wholeText;
        ++m_sets;
    }
    void AppendLogText(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_text += text;
        ++m_appends;
    }
    std::string Text() const
    {
        std::lock_guard lock(m_mutex);
        return m_text;
    }
    int Sets() const { std::lock_guard lock(m_mutex); return m_sets; }
    int Appends() const { std::lock_guard lock(m_mutex); return m_appends; }

private:
    mutable std::mutex m_mutex;
    std::string m_text;
    int m_sets = 0;
    int m_appends = 0;
};
