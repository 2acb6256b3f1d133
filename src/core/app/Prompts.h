#pragma once

#include <cstdint>
#include <string>

// The questions and notices that the core shows the user. The GUI answers
// with message boxes; tests answer from a script and record every text.
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// The replace question answers with the dialog's result and the user's
// choice: Yes (1), Yes to All (2) and No (3) end it with Ok; Cancel, Escape or
// closing the window end it with Cancel and choice 0.
enum class DialogResult { Ok, Cancel };
enum : int32_t { REPLACE_NO_ANSWER = 0, REPLACE_YES = 1, REPLACE_YES_TO_ALL = 2, REPLACE_NO = 3 };
struct ReplaceAnswer {
    DialogResult result = DialogResult::Cancel;
    int32_t choice = REPLACE_NO_ANSWER;
};

// The question about a server certificate that the system does not vouch
// for: trust it for this connection, from now on, or not at all.
enum class CertificateAnswer { AcceptOnce, Always, Cancel };

class IPrompts {
public:
    virtual ~IPrompts() = default;

    virtual MsgResult MessageBox(const std::string& text, MsgButtons buttons = MsgButtons::Ok,
                                 MsgIcon icon = MsgIcon::None) = 0;
    // The modal "Message" dialog with Yes, Yes to All, No and Cancel.
    virtual ReplaceAnswer AskReplace(const std::string& message1, const std::string& message2) = 0;
    // Buttons Accept Once, Always and Cancel; Cancel is the default. changed:
    // the certificate differs from the one trusted before, a loud warning.
    virtual CertificateAnswer AskCertificate(const std::string& text, bool changed) = 0;
    // A secret typed in dots (a key's passphrase, a server's log-on
    // question), used once and never stored. False on Cancel.
    virtual bool AskSecret(const std::string& title, const std::string& text, std::string& secret) = 0;
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
