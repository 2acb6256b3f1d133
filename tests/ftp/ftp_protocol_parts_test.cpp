// The engine's protocol pieces that need no server: reply assembly, the
// parsers of PWD, PASV, EPSV and FEAT replies, and the error texts.
#include "ftp/FtpDataChannel.h"
#include "ftp/FtpEngine.h"
#include "ftp/FtpReply.h"
#include "ftp/FtpSession.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

// Feeds lines; returns the reply or code -1 when the assembler refused them.
FtpReply Assemble(const std::vector<std::string>& lines, FtpReplyAssembler::Result* last = nullptr)
{
    FtpReplyAssembler assembler;
    FtpReplyAssembler::Result result = FtpReplyAssembler::Result::NeedMore;
    for (const std::string& line : lines) {
        result = assembler.AddLine(line);
        if (result == FtpReplyAssembler::Result::Invalid)
            return FtpReply{-1, {}};
        if (result == FtpReplyAssembler::Result::Complete)
            break;
    }
    if (last)
        *last = result;
    return result == FtpReplyAssembler::Result::Complete ? assembler.Take() : FtpReply{0, {}};
}

FtpReply MakeReply(int code, std::string text) { return FtpReply{code, std::move(text)}; }

} // namespace

TEST(FtpReplyAssemblerTest, SingleAndMultiLineReplies)
{
    EXPECT_EQ(Assemble({"200 OK"}).code, 200);
    EXPECT_EQ(Assemble({"200 OK"}).text, "200 OK\n");
    EXPECT_EQ(Assemble({"200"}).code, 200);

    // Inner lines may start with other codes or even "<code>-"; only "<code> " ends.
    const FtpReply multi = Assemble({"220-Welcome", "220-second", "  indented", "230 not the end", "220 ready"});
    EXPECT_EQ(multi.code, 220);
    EXPECT_EQ(multi.text, "220-Welcome\n220-second\n  indented\n230 not the end\n220 ready\n");

    FtpReplyAssembler::Result last;
    EXPECT_EQ(Assemble({"211-Features:", " MLST"}, &last).code, 0);
    EXPECT_EQ(last, FtpReplyAssembler::Result::NeedMore);
}

TEST(FtpReplyAssemblerTest, RejectsGarbageAndFloods)
{
    EXPECT_EQ(Assemble({"hello"}).code, -1);
    EXPECT_EQ(Assemble({"20 short"}).code, -1);
    EXPECT_EQ(Assemble({"200x"}).code, -1);
    EXPECT_EQ(Assemble({"600 no such class"}).code, -1);
    // Over-long lines and endless replies: see the scripted server's floods.
    std::vector<std::string> heavy = {"250-start"};
    for (int i = 0; i < 10; ++i)
        heavy.push_back(std::string(60000, 'x'));
    EXPECT_EQ(Assemble(heavy).code, -1);
}

TEST(FtpReplyParsersTest, PwdReplyQuotesAndDoubledQuotes)
{
    const std::pair<FtpReply, const char*> rows[] = {
        {MakeReply(257, "257 \"/pub/files\" is current directory.\n"), "/pub/files"},
        {MakeReply(257, "257 \"/a \"\"quoted\"\" dir\" is current\n"), "/a \"quoted\" dir"},
        {MakeReply(257, "257 \"/\"\n"), "/"},
        {MakeReply(257, "257 /no/quotes\n"), nullptr},
        {MakeReply(257, "257 \"/unterminated\n"), nullptr},
        {MakeReply(550, "550 \"/x\"\n"), nullptr},
    };
    for (const auto& [reply, expected] : rows) {
        SCOPED_TRACE(reply.text);
        std::string dir;
        EXPECT_EQ(ParsePwdReply(reply, dir), expected != nullptr);
        if (expected) {
            EXPECT_EQ(dir, expected);
        }
    }
}

// Only the port counts: the address is never dialled. -1: must be refused.
TEST(FtpReplyParsersTest, PassiveRepliesGiveOnlyThePort)
{
    const std::tuple<int, const char*, int> pasv[] = {
        {227, "227 Entering Passive Mode (127,0,0,1,19,136).", 5000},
        {227, "227 Entering Passive Mode 10,0,0,1,4,1", 1025},
        {227, "227 =192,168,1,2,255,255", 65535},
        {227, "227 Entering Passive Mode (127,0,0,1,300,1).", -1},
        {227, "227 Entering Passive Mode (127,0,0,1,19).", -1},
        {227, "227 garbage", -1},
        {227, "227 Entering Passive Mode (1,2,3,4,0,0)", -1},
        {227, "227 (99999999999,0,0,1,1,1)", -1},
        {200, "200 (127,0,0,1,19,136)", -1},
        {227, "227 ", -1},
        {229, "229 Entering Extended Passive Mode (|||6446|)", 6446},
        {229, "229 EPSV ok (!!!65535!)", 65535},
        {229, "229 Entering Extended Passive Mode (|||abc|)", -1},
        {229, "229 Entering Extended Passive Mode (|||70000|)", -1},
        {229, "229 Entering Extended Passive Mode (|||0|)", -1},
        {229, "229 Entering Extended Passive Mode (||6446|)", -1},
        {229, "229 Entering Extended Passive Mode |||6446|", -1},
        {229, "229 Entering Extended Passive Mode (|||6446", -1},
        {229, "229 (|", -1},
        {229, "229 (1116661)", -1},
    };
    for (const auto& [code, text, expected] : pasv) {
        SCOPED_TRACE(text);
        uint16_t port = 0;
        const FtpReply reply = MakeReply(code, std::string(text) + "\n");
        const bool ok = code == 229 ? ParseEpsvReply(reply, port) : ParsePasvReply(reply, port);
        EXPECT_EQ(ok, expected >= 0);
        if (ok && expected >= 0) {
            EXPECT_EQ(port, expected);
        }
    }
}

TEST(FtpReplyParsersTest, FeaturesFromFeatReply)
{
    const FtpFeatures all = ParseFeatReply(MakeReply(211,
        "211-Features supported:\n EPRT\n EPSV\n MDTM\n MLST type*;perm*;size*;modify*;\n SIZE\n UTF8\n211 End FEAT.\n"));
    EXPECT_TRUE(all.bEprt && all.bEpsv && all.bMdtm && all.bMlst && all.bSize && all.bUtf8);

    const FtpFeatures some = ParseFeatReply(MakeReply(211, "211-Extensions:\n size\n REST STREAM\n211 END\n"));
    EXPECT_TRUE(some.bSize);
    EXPECT_FALSE(some.bMlst || some.bUtf8 || some.bEpsv);

    // A word in the first or last line is no feature, and a refusal offers nothing.
    EXPECT_FALSE(ParseFeatReply(MakeReply(211, "211-MLST\n211 UTF8\n")).bMlst);
    EXPECT_FALSE(ParseFeatReply(MakeReply(500, "500 FEAT not understood\n")).bUtf8);
}

TEST(FtpErrorTextTest, EngineErrnoAndServerTexts)
{
    EXPECT_EQ(GetSystemErrorText(99999), "");
    for (int code : {ERROR_INTERNET_NAME_NOT_RESOLVED, ERROR_INTERNET_CANNOT_CONNECT, ERROR_INTERNET_CONNECTION_ABORTED,
             ERROR_INTERNET_CONNECTION_RESET, ERROR_INTERNET_LOGIN_FAILURE, ERROR_NO_MORE_FILES}) {
        const std::string text = GetSystemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.back(), '\n') << code;
    }
}

TEST(FtpErrorTextTest, ExceptionMessageIsBoundedWithoutSplittingCharacters)
{
    std::string longText(254, 'a');
    longText += "\xc3\xa9\xc3\xa9";   // "éé": the first straddles byte 255
    const CInternetException error(ERROR_INTERNET_EXTENDED_ERROR, longText);
    EXPECT_EQ(error.m_strMessage, std::string(254, 'a'));
    std::string text;
    EXPECT_TRUE(error.GetErrorMessage(text));
    EXPECT_FALSE(CInternetException().GetErrorMessage(text));
}
