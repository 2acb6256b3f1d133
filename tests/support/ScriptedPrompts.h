#pragma once

#include "app/Prompts.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Records every message box text and answers from a script. Without a
// scripted answer it gives the first button (Ok or Yes).
class ScriptedPrompts : public IPrompts {
public:
    struct Shown {
        std::string text;
        MsgButtons buttons;
        MsgIcon icon;
    };

    void Answer(MsgResult result);

    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void SetStatusText(const std::string& text) override;

    std::vector<Shown> Messages() const;
    std::vector<std::string> Texts() const;
    std::vector<std::string> StatusTexts() const;
    int WaitCursorDepth() const;

private:
    mutable std::mutex m_mutex;
    std::deque<MsgResult> m_answers;
    std::vector<Shown> m_shown;
    std::vector<std::string> m_status;
    int m_waitDepth = 0;
};
