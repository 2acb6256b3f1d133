#include "ScriptedPrompts.h"

#include <utility>

namespace {

// The next scripted answer, or fallback when the script has none left.
template <typename T>
T Next(std::deque<T>& answers, T fallback)
{
    if (answers.empty())
        return fallback;
    const T answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace

ReplaceAnswer ScriptedPrompts::AskReplace(const std::string& message1, const std::string& message2)
{
    if (auto whileShown = Locked([&] { return std::exchange(m_whileShown, nullptr); }))
        whileShown(message1);
    RunModalLoop();
    std::lock_guard lock(m_mutex);
    m_replaceQuestions.push_back(message1 + "|" + message2);
    return Next(m_replaceAnswers, ReplaceAnswer{DialogResult::Ok, REPLACE_YES});
}

CertificateAnswer ScriptedPrompts::AskCertificate(const std::string& text, bool changed)
{
    RunModalLoop();
    std::lock_guard lock(m_mutex);
    m_certificateQuestions.push_back({text, changed});
    return Next(m_certificateAnswers, CertificateAnswer::Cancel);
}

bool ScriptedPrompts::AskSecret(const std::string& title, const std::string& text, std::string& secret)
{
    RunModalLoop();
    std::lock_guard lock(m_mutex);
    m_secretQuestions.push_back(title + "|" + text);
    if (m_secrets.empty())
        return false;
    secret = std::move(m_secrets.front());
    m_secrets.pop_front();
    return true;
}

MsgResult ScriptedPrompts::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon)
{
    // Once: the action may show messages itself.
    auto whileShown = Locked([&] { return std::exchange(m_whileShown, nullptr); });
    if (whileShown)
        whileShown(text);
    RunModalLoop();
    std::lock_guard lock(m_mutex);
    m_shown.push_back({text, buttons, icon});
    const bool yes = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel;
    return Next(m_answers, yes ? MsgResult::Yes : MsgResult::Ok);
}

std::vector<std::string> ScriptedPrompts::Texts() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const Shown& shown : m_shown)
        texts.push_back(shown.text);
    return texts;
}
