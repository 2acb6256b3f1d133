#pragma once

#include <string>

// The questions and notices that the core shows the user. The GUI answers
// with message boxes; tests answer from a script and record every text.
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

class IPrompts {
public:
    virtual ~IPrompts() = default;

    virtual MsgResult MessageBox(const std::string& text, MsgButtons buttons = MsgButtons::Ok,
                                 MsgIcon icon = MsgIcon::None) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Shown at once, so that the text is seen while synchronous work goes on.
    virtual void SetStatusText(const std::string& text) = 0;
};

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    explicit CWaitCursor(IPrompts& prompts) : m_prompts(prompts) { m_prompts.BeginWaitCursor(); }
    ~CWaitCursor() { m_prompts.EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    IPrompts& m_prompts;
};
