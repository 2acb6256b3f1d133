#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One complete server reply.
struct FtpReply {
    int code = 0;
    std::string text;   // every line of the reply, each ending in "\n"

    int Class() const { return code / 100; }   // 1 preliminary, 2 done, 3 more needed, 4/5 failed
    // The reply's first line without the code and its separator.
    std::string FirstLineMessage() const;
};

// Builds a reply from its lines ("123-first" ... "123 last", or "123 only").
// A server's reply is untrusted: it is bounded in line count and total size.
class FtpReplyAssembler {
public:
    static constexpr size_t kMaxLineBytes = 64 * 1024;
    static constexpr size_t kMaxLines = 1000;
    static constexpr size_t kMaxReplyBytes = 256 * 1024;

    enum class Result { NeedMore, Complete, Invalid };

    // line comes without its CR LF.
    Result AddLine(std::string_view line);
    // The finished reply; the assembler is ready for the next one.
    FtpReply Take();

private:
    FtpReply m_reply;
    size_t m_nLines = 0;
    bool m_bMultiLine = false;
};
