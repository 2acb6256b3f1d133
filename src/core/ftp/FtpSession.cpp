#include "ftp/FtpSession.h"

#include "net/NetErrors.h"
#include "net/NetCancel.h"

#include <cctype>

namespace {

std::string UpperWord(std::string_view line)
{
    size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return {};
    size_t end = line.find(' ', start);
    std::string word(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    for (char& c : word)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return word;
}

// " AUTH TLS;SSL" and the like.
size_t FindUpper(std::string_view line, std::string_view word)
{
    std::string upper(line);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find(word);
}

bool ContainsUpper(std::string_view line, std::string_view word) { return FindUpper(line, word) != std::string::npos; }

} // namespace

FtpFeatures ParseFeatReply(const FtpReply& reply)
{
    FtpFeatures features;
    if (reply.Class() != 2)
        return features;
    std::string_view text(reply.text);
    bool first = true;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (first) {
            first = false;
            continue;   // "211-Features:" names no feature
        }
        if (line.empty() || line[0] != ' ')
            continue;   // the closing "211 End" line
        const std::string word = UpperWord(line);
        if (word == "UTF8")
            features.bUtf8 = true;
        else if (word == "MLST") {
            features.bMlst = true;
            const size_t fact = FindUpper(line, "UNIX.MODE");
            features.bUnixModeOff = fact != std::string::npos && line.substr(fact + 9, 1) != "*";
        } else if (word == "EPSV")
            features.bEpsv = true;
        else if (word == "EPRT")
            features.bEprt = true;
        else if (word == "SIZE")
            features.bSize = true;
        else if (word == "MDTM")
            features.bMdtm = true;
        else if (word == "MFMT")
            features.bMfmt = true;
        else if (word == "AUTH")
            features.bAuthTls = ContainsUpper(line, "TLS");
        else if (word == "HASH")
            features.bHashSha256 = ContainsUpper(line, "SHA-256");
    }
    return features;
}

bool ParsePwdReply(const FtpReply& reply, std::string& directory)
{
    if (reply.code != 257)
        return false;
    std::string_view line(reply.text);
    line = line.substr(0, line.find('\n'));
    const size_t open = line.find('"');
    if (open == std::string_view::npos)
        return false;
    std::string result;
    for (size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"') {
            result.push_back(line[i]);
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '"') {
            result.push_back('"');
            ++i;
            continue;
        }
        directory = std::move(result);
        return true;
    }
    return false;   // no closing quote
}

NetStatus FtpSession::Ready() const
{
    if (!control.IsOpen())
        return control.ClosedStatus();
    if (bTransferOpen)
        return NetStatus::Error(ERROR_FTP_TRANSFER_IN_PROGRESS);
    return NetStatus::Success();
}

NetStatus FtpSession::Expect(std::string_view command, int expectedClass, FtpReply* replyOut)
{
    if (NetStatus ready = Ready(); !ready)
        return ready;
    FtpReply reply;
    if (NetStatus status = control.Command(command, reply); !status)
        return status;
    const bool ok = reply.Class() == expectedClass;
    if (replyOut != nullptr)
        *replyOut = reply;
    return ok ? NetStatus::Success() : ReplyFailure(reply);
}

NetStatus FtpSession::ChangeDirectory(const std::string& directory)
{
    if (NetStatus ready = Ready(); !ready)
        return ready;
    if (!m_strDirectory.empty() && directory == m_strDirectory)
        return NetStatus::Success();
    NetStatus status = Expect("CWD " + directory, 2);
    // Only an absolute path names the new directory for sure.
    m_strDirectory = status && !directory.empty() && directory[0] == '/' ? directory : std::string();
    return status;
}

NetStatus FtpSession::PrintDirectory(std::string& directory)
{
    FtpReply reply;
    NetStatus status = Expect("PWD", 2, &reply);
    if (!status) {
        m_strDirectory.clear();
        return status;
    }
    if (!ParsePwdReply(reply, directory))
        return NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE, reply.text);
    // Not taken as the known directory: a server may still name a folder
    // that was renamed or removed under it, and only a CWD proves it is there.
    return NetStatus::Success();
}

NetStatus FtpSession::SetType(char type)
{
    if (type == m_cType)
        return Ready();
    NetStatus status = Expect(std::string("TYPE ") + type, 2);
    m_cType = status ? type : 0;
    return status;
}

bool FtpSession::AbortAndResync(int budgetMs)
{
    if (!control.IsOpen())
        return false;
    // Also after a Cancel cut the transfer: the exchange has its own bound
    // and keeps the connection in step.
    const CNetCancelPause pause;
    const Deadline deadline(budgetMs);
    if (!control.Send("ABOR") || !control.Send("NOOP"))
        return false;
    // Every reply up to the NOOP's belongs to the cut transfer or to ABOR
    // (426, 226, 225, 451, ...); the bound on the count keeps a chatty
    // server from holding us here.
    for (int replies = 0; replies < 8; ++replies) {
        FtpReply reply;
        const int remaining = deadline.RemainingMs();
        if (remaining == 0 || !control.ReadReply(reply, remaining))
            break;
        if (reply.code == 200)
            return true;
    }
    control.Break();
    return false;
}

void FtpSession::Quit()
{
    // The window's thread does not wait for the goodbye: the socket just closes.
    if (control.IsOpen() && !bTransferOpen && !NetworkWaitsForbiddenHere()) {
        FtpReply reply;
        if (control.Send("QUIT"))
            control.ReadReply(reply, 1000);
    }
    control.Close();
}

void FtpSession::QuitWithoutWaiting()
{
    if (control.IsOpen() && !bTransferOpen)
        control.SendWithoutWaiting("QUIT");
    control.Close();
}

void FtpSession::ForgetCaches()
{
    m_strDirectory.clear();
    m_cType = 0;
}
