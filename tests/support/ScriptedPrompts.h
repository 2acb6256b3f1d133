#pragma once

#include "app/Prompts.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Records every message box text and answers from a script. Without a
// scripted answer it gives the first button (Ok or Yes).
class ScriptedPrompts : public IPrompts {
    template <typename Fn>
    auto Locked(Fn fn) const
    {
        std::lock_guard lock(m_mutex);
        return fn();
    }

public:
    struct Shown {
        std::string text;
        MsgButtons buttons;
        MsgIcon icon;
    };
    struct CertificateQuestion {
        std::string text;
        bool changed;
    };

    void Answer(MsgResult result) { Locked([&] { m_answers.push_back(result); }); }
    void AnswerReplace(ReplaceAnswer answer) { Locked([&] { m_replaceAnswers.push_back(answer); }); }
    // Without a scripted answer a certificate question is cancelled.
    void AnswerCertificate(CertificateAnswer answer) { Locked([&] { m_certificateAnswers.push_back(answer); }); }
    // Without a scripted secret the question is cancelled.
    void AnswerSecret(std::string secret) { Locked([&] { m_secrets.push_back(std::move(secret)); }); }
    // Runs while a message or replace question is up (before its answer), on
    // the asking thread, as a user could act on the window behind the box.
    void WhileShown(std::function<void(const std::string&)> action) { Locked([&] { m_whileShown = action; }); }
    // Runs where a real box holds its modal loop, before every answer.
    static inline std::function<void()> s_modalLoop;
    static void RunModalLoop() { if (s_modalLoop) s_modalLoop(); }

    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon) override;
    ReplaceAnswer AskReplace(const std::string& message1, const std::string& message2) override;
    CertificateAnswer AskCertificate(const std::string& text, bool changed) override;
    bool AskSecret(const std::string& title, const std::string& text, std::string& secret) override;
    void BeginWaitCursor() override { Locked([&] { ++m_waitDepth; }); }
    void EndWaitCursor() override { Locked([&] { --m_waitDepth; }); }
    void SetStatusText(const std::string&) override {}

    std::vector<Shown> Messages() const { return Locked([&] { return m_shown; }); }
    std::vector<std::string> Texts() const;
    // Each replace question as message 1 + "|" + message 2.
    std::vector<std::string> ReplaceQuestions() const { return Locked([&] { return m_replaceQuestions; }); }
    std::vector<CertificateQuestion> CertificateQuestions() const
    {
        return Locked([&] { return m_certificateQuestions; });
    }
    // Each secret question as title + "|" + text.
    std::vector<std::string> SecretQuestions() const { return Locked([&] { return m_secretQuestions; }); }
    int WaitCursorDepth() const { return Locked([&] { return m_waitDepth; }); }

private:
    mutable std::mutex m_mutex;
    std::deque<MsgResult> m_answers;
    std::deque<ReplaceAnswer> m_replaceAnswers;
    std::vector<std::string> m_replaceQuestions;
    std::deque<CertificateAnswer> m_certificateAnswers;
    std::vector<CertificateQuestion> m_certificateQuestions;
    std::vector<Shown> m_shown;
    std::deque<std::string> m_secrets;
    std::vector<std::string> m_secretQuestions;
    int m_waitDepth = 0;
    std::function<void(const std::string&)> m_whileShown;
};
