#include "ftp/FtpReply.h"

#include <utility>

namespace {

bool StartsWithCode(std::string_view line)
{
    return line.size() >= 3 && line[0] >= '1' && line[0] <= '5' && line[1] >= '0' && line[1] <= '9'
        && line[2] >= '0' && line[2] <= '9';
}

int CodeOf(std::string_view line) { return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0'); }

} // namespace

std::string FtpReply::FirstLineMessage() const
{
    std::string_view first(text);
    first = first.substr(0, first.find('\n'));
    return std::string(first.size() > 4 ? first.substr(4) : std::string_view());
}

FtpReplyAssembler::Result FtpReplyAssembler::AddLine(std::string_view line)
{
    if (line.size() > kMaxLineBytes || ++m_nLines > kMaxLines
        || m_reply.text.size() + line.size() + 1 > kMaxReplyBytes)
        return Result::Invalid;

    if (m_nLines == 1) {
        // The first line must carry a code; anything else is not FTP.
        if (!StartsWithCode(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
            return Result::Invalid;
        m_reply.code = CodeOf(line);
        m_bMultiLine = line.size() > 3 && line[3] == '-';
        m_reply.text.append(line).push_back('\n');
        return m_bMultiLine ? Result::NeedMore : Result::Complete;
    }

    m_reply.text.append(line).push_back('\n');
    // Inner lines of a multi-line reply may say anything, even start with
    // another code; only "<same code><space>" (or the bare code) ends it.
    const bool ends = StartsWithCode(line) && CodeOf(line) == m_reply.code && (line.size() == 3 || line[3] == ' ');
    return ends ? Result::Complete : Result::NeedMore;
}

FtpReply FtpReplyAssembler::Take()
{
    FtpReply reply = std::move(m_reply);
    m_reply = FtpReply{};
    m_nLines = 0;
    m_bMultiLine = false;
    return reply;
}
