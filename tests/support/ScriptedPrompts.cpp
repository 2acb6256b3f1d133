#include "ScriptedPrompts.h"

#include <utility>

void ScriptedPrompts::Answer(MsgResult result)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(result);
}

void ScriptedPrompts::AnswerReplace(ReplaceAnswer answer)
{
    std::lock_guard lock(m_mutex);
    m_replaceAnswers.push_back(answer);
}

ReplaceAnswer ScriptedPrompts::AskReplace(const std::string& message1, const std::string& message2)
{
    std::lock_guard lock(m_mutex);
    m_replaceQuestions.push_back(message1 + "|" + message2);
    if (m_replaceAnswers.empty())
        return {DialogResult::Ok, REPLACE_YES};
    ReplaceAnswer answer = m_replaceAnswers.front();
    m_replaceAnswers.pop_front();
    return answer;
}

void ScriptedPrompts::AnswerCertificate(CertificateAnswer answer)
{
    std::lock_guard lock(m_mutex);
    m_certificateAnswers.push_back(answer);
}

CertificateAnswer ScriptedPrompts::AskCertificate(const std::string& text, bool changed)
{
    std::lock_guard lock(m_mutex);
    m_certificateQuestions.push_back({text, changed});
    if (m_certificateAnswers.empty())
        return CertificateAnswer::Cancel;
    const CertificateAnswer answer = m_certificateAnswers.front();
    m_certificateAnswers.pop_front();
    return answer;
}

std::vector<ScriptedPrompts::CertificateQuestion> ScriptedPrompts::CertificateQuestions() const
{
    std::lock_guard lock(m_mutex);
    return m_certificateQuestions;
}

std::vector<std::string> ScriptedPrompts::ReplaceQuestions() const
{
    std::lock_guard lock(m_mutex);
    return m_replaceQuestions;
}

void ScriptedPrompts::WhileShown(std::function<void(const std::string&)> action)
{
    std::lock_guard lock(m_mutex);
    m_whileShown = std::move(action);
}

MsgResult ScriptedPrompts::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon)
{
    std::function<void(const std::string&)> whileShown;
    {
        std::lock_guard lock(m_mutex);
        whileShown = std::exchange(m_whileShown, nullptr);   // once: it may show messages itself
    }
    if (whileShown)
        whileShown(text);
    std::lock_guard lock(m_mutex);
    m_shown.push_back({text, buttons, icon});
    if (!m_answers.empty()) {
        MsgResult answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
}

void ScriptedPrompts::BeginWaitCursor()
{
    std::lock_guard lock(m_mutex);
    ++m_waitDepth;
}

void ScriptedPrompts::EndWaitCursor()
{
    std::lock_guard lock(m_mutex);
    --m_waitDepth;
}

std::vector<ScriptedPrompts::Shown> ScriptedPrompts::Messages() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

std::vector<std::string> ScriptedPrompts::Texts() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const Shown& shown : m_shown)
        texts.push_back(shown.text);
    return texts;
}

int ScriptedPrompts::WaitCursorDepth() const
{
    std::lock_guard lock(m_mutex);
    return m_waitDepth;
}
