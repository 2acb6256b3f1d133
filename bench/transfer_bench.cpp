// The transfer benchmark: Vamlo's core engine, headless, against a local FTP
// server, beside curl and lftp doing the same work in the same run; or, with
// --sftp on, against a local SSH server beside OpenSSH's sftp in batch mode.
// bench/run.sh starts the server and passes its port and root; see README.md.
#include "BenchFiles.h"
#include "BenchHost.h"
#include "BenchReport.h"
#include "BenchRunner.h"
#include "CommandLog.h"
#include "ExternalTool.h"
#include "app/AppPaths.h"
#include "app/Settings.h"

#include <charconv>
#include <fstream>
#include <functional>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    BenchServer server;
    std::string strServerRoot;        // the server's root folder on this disk
    std::string strServerName = "FTP server";
    std::string strNote;              // printed under the header (e.g. a fallback)
    std::string strRemoteBase = "/pub";   // a writable folder below the server's root
    std::string strWork;              // scratch folder on the same disk
    int nRepetitions = 7;
    uint64_t nBigMiB = 512;
    int nSmallFiles = 1000;
    uint64_t nSmallBytes = 2048;
    int nListEntries = 10000;
    uint64_t nSiteBigMiB = 100;
    int nSiteSmallFiles = 200;
    int nToolTimeout = 600;
    std::string strIdentity;     // the key that sftp logs on with (SFTP runs)
    std::string strKnownHosts;   // the server's host key for sftp (SFTP runs)
    std::string strCommandLog;   // where the server logs each command (the round-trip cases)
    std::string strCases = "big-get,big-put,small-get,small-put,list,delete,site,copy";

    bool Runs(const std::string& name) const { return ("," + strCases + ",").find("," + name + ",") != std::string::npos; }
};

void Usage()
{
    std::fprintf(stderr,
        "usage: vamlo_transfer_bench --port N --server-root DIR --work DIR [--server-name TEXT] [--note TEXT]\n"
        "       [--host 127.0.0.1] [--user anonymous] [--password TEXT] [--remote-base /pub] [--repetitions 7]\n"
        "       [--big-mib 512] [--small-files 1000] [--small-bytes 2048] [--list-entries 10000]\n"
        "       [--site-mib 100] [--site-files 200]\n"
        "       [--cases big-get,big-put,small-get,small-put,list,delete,site,copy] [--tls on] [--passive on]\n"
        "       [--sftp on --identity KEY --known-hosts FILE]   (SFTP: big-get,big-put,small-get,small-put,copy)\n"
        "       [--command-log FILE]   (needed by the round-trip cases rtt-get,rtt-put)\n");
}

template <typename T> bool ParseNumber(const char* text, T& value)
{
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        bool ok = true;
        if (name == "--host")
            options.server.strHost = value;
        else if (name == "--port")
            ok = ParseNumber(value, options.server.nPort) && options.server.nPort != 0;
        else if (name == "--user")
            options.server.strUser = value;
        else if (name == "--password")
            options.server.strPassword = value;
        else if (name == "--server-root")
            options.strServerRoot = value;
        else if (name == "--server-name")
            options.strServerName = value;
        else if (name == "--note")
            options.strNote = value;
        else if (name == "--remote-base")
            options.strRemoteBase = value;
        else if (name == "--work")
            options.strWork = value;
        else if (name == "--repetitions")
            ok = ParseNumber(value, options.nRepetitions) && options.nRepetitions > 0;
        else if (name == "--big-mib")
            ok = ParseNumber(value, options.nBigMiB) && options.nBigMiB > 0;
        else if (name == "--small-files")
            ok = ParseNumber(value, options.nSmallFiles) && options.nSmallFiles > 0;
        else if (name == "--small-bytes")
            ok = ParseNumber(value, options.nSmallBytes);
        else if (name == "--tls")
            options.server.bTls = std::strcmp(value, "on") == 0;
        else if (name == "--passive")
            options.server.bPassive = std::strcmp(value, "on") == 0;
        else if (name == "--sftp")
            options.server.bSftp = std::strcmp(value, "on") == 0;
        else if (name == "--identity")
            options.strIdentity = value;
        else if (name == "--known-hosts")
            options.strKnownHosts = value;
        else if (name == "--cases")
            options.strCases = value;
        else if (name == "--command-log")
            options.strCommandLog = value;
        else if (name == "--list-entries")
            ok = ParseNumber(value, options.nListEntries) && options.nListEntries > 0;
        else if (name == "--site-mib")
            ok = ParseNumber(value, options.nSiteBigMiB) && options.nSiteBigMiB > 0;
        else if (name == "--site-files")
            ok = ParseNumber(value, options.nSiteSmallFiles) && options.nSiteSmallFiles > 0;
        else
            ok = false;
        if (!ok)
            return false;
    }
    if (options.server.bSftp && (options.strIdentity.empty() || options.strKnownHosts.empty()))
        return false;
    if ((options.Runs("rtt-get") || options.Runs("rtt-put")) && options.strCommandLog.empty())
        return false;
    return options.server.nPort != 0 && !options.strServerRoot.empty() && !options.strWork.empty();
}

// Everything a case needs to name its files, on both sides of the wire.
class Layout {
public:
    explicit Layout(const Options& options) : m_options(options) {}

    // The server's view and the disk's view of one path below the remote base.
    // An SSH server sees the whole disk, an FTP server its root.
    std::string Remote(const std::string& name) const
    {
        return (Sftp() ? m_options.strServerRoot : std::string()) + m_options.strRemoteBase + "/" + name;
    }
    std::string OnServerDisk(const std::string& name) const
    {
        return m_options.strServerRoot + m_options.strRemoteBase + "/" + name;
    }
    std::string Local(const std::string& name) const { return m_options.strWork + "/" + name; }
    std::string Url(const std::string& remotePath) const
    {
        return "ftp://" + m_options.server.strHost + ":" + std::to_string(m_options.server.nPort) + remotePath;
    }
    std::string Credentials() const { return m_options.server.strUser + ":" + m_options.server.strPassword; }
    bool Tls() const { return m_options.server.bTls; }
    bool Passive() const { return m_options.server.bPassive; }
    bool Sftp() const { return m_options.server.bSftp; }
    // What the names of the rows add for an encrypted, passive or SFTP run.
    std::string Over() const
    {
        return std::string(Tls() ? " over TLS" : "") + (Passive() ? ", passive mode" : "") +
               (Sftp() ? " over SFTP" : "");
    }
    std::string Stderr() const { return m_options.strWork + "/tool.err"; }

    static std::string PerRun(const std::string& base, int rep) { return base + "-" + std::to_string(rep); }

private:
    const Options& m_options;
};

bool Fail(std::string& error, const std::string& text)
{
    error = text;
    return false;
}

bool ToolOk(const ToolRun& run, std::string& error) { return run.bOk || Fail(error, run.strError); }

// curl in Vamlo's data connection mode (active: the address taken from the
// control connection); with explicit TLS when the run is encrypted (the
// server's certificate is its own).
std::vector<std::string> Curl(const Layout& layout, std::vector<std::string> args)
{
    std::vector<std::string> argv{"curl", "--silent", "--show-error", "--fail", "--user", layout.Credentials()};
    if (!layout.Passive()) {
        argv.push_back("--ftp-port");
        argv.push_back("-");
    }
    if (layout.Tls()) {
        argv.push_back("--ssl-reqd");
        argv.push_back("--insecure");
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// lftp running one command with passive mode off.
std::vector<std::string> Lftp(const std::string& command, const BenchServer& server)
{
    const std::string script = "set ftp:passive-mode off; set net:max-retries 1; set net:timeout 30; "
                               "set cmd:fail-exit yes; open -u " + server.strUser + "," + server.strPassword +
                               " -p " + std::to_string(server.nPort) + " " + server.strHost + "; " + command;
    return {"lftp", "-c", script};
}

std::vector<std::string> LftpMirror(const std::string& mirrorArgs, const BenchServer& server)
{
    return Lftp("mirror " + mirrorArgs, server);
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return out.good() || Fail(error, "cannot write " + path);
}

// OpenSSH's sftp running one batch command, logging on with the run's key
// and checking the server's key against the run's known-hosts file; the
// batch file is written before the clock starts.
std::vector<std::string> Sftp(const Options& options, const std::string& batchFile)
{
    return {"sftp", "-q", "-b", batchFile, "-P", std::to_string(options.server.nPort), "-i", options.strIdentity,
            "-o", "IdentitiesOnly=yes", "-o", "BatchMode=yes", "-o", "StrictHostKeyChecking=yes",
            "-o", "UserKnownHostsFile=" + options.strKnownHosts,
            options.server.strUser + "@" + options.server.strHost};
}

// The reference contender of an SFTP case: sftp -b running `command(rep)`.
Contender SftpContender(const Options& options, const Layout& layout, const std::string& name,
                        std::function<bool(int, std::string&)> prepare,
                        std::function<std::string(int)> command,
                        std::function<bool(int, std::string&)> verify, std::function<void(int)> cleanup)
{
    const std::string batch = layout.Local("sftp.batch");
    auto prepareBatch = [batch, command, prepare](int rep, std::string& error) {
        return WriteTextFile(batch, command(rep) + "\n", error) && prepare(rep, error);
    };
    auto run = [&options, &layout, batch](int, std::string& error) {
        return ToolOk(RunTool(Sftp(options, batch), "", layout.Stderr(), options.nToolTimeout), error);
    };
    return {name, prepareBatch, run, std::move(verify), std::move(cleanup)};
}

// A folder on the server that anyone may write into: vsftpd's anonymous
// user is not the user who runs the benchmark.
bool MakeRemoteTarget(const Layout& layout, const std::string& name, std::string& error)
{
    return MakeFolder(layout.OnServerDisk(name), 0777, error);
}

ReportRow BigGet(const Options& options, const Layout& layout, CVamloBenchClient& vamlo)
{
    const uint64_t bytes = options.nBigMiB << 20;
    const std::string source = layout.OnServerDisk("big.bin");
    const auto verifyIn = [&layout, source](const std::string& base) {
        return [&layout, source, base](int rep, std::string& error) {
            return SameContents(source, layout.Local(Layout::PerRun(base, rep)) + "/big.bin", error);
        };
    };
    const auto prepareIn = [&layout](const std::string& base) {
        return [&layout, base](int rep, std::string& error) {
            return MakeFolder(layout.Local(Layout::PerRun(base, rep)), 0755, error);
        };
    };
    const auto cleanupIn = [&layout](const std::string& base) {
        return [&layout, base](int rep) { RemoveTree(layout.Local(Layout::PerRun(base, rep))); };
    };
    Contender own{"Vamlo",
                  [&, prepare = prepareIn("bigget-vamlo")](int rep, std::string& error) {
                      vamlo.Disconnect();
                      return prepare(rep, error);
                  },
                  [&](int rep, std::string& error) {
                      return vamlo.Get(layout.Remote("big.bin"), false,
                                       layout.Local(Layout::PerRun("bigget-vamlo", rep)), 1, error);
                  },
                  verifyIn("bigget-vamlo"), cleanupIn("bigget-vamlo")};
    Contender curl{"curl", prepareIn("bigget-curl"),
                   [&](int rep, std::string& error) {
                       const std::string out = layout.Local(Layout::PerRun("bigget-curl", rep)) + "/big.bin";
                       return ToolOk(RunTool(Curl(layout, {"--output", out, layout.Url(layout.Remote("big.bin"))}),
                                             "", layout.Stderr(), options.nToolTimeout),
                                     error);
                   },
                   verifyIn("bigget-curl"), cleanupIn("bigget-curl")};
    if (layout.Sftp())
        curl = SftpContender(options, layout, "sftp -b", prepareIn("bigget-sftp"),
                             [&layout](int rep) {
                                 return "get " + layout.Remote("big.bin") + " " +
                                        layout.Local(Layout::PerRun("bigget-sftp", rep)) + "/big.bin";
                             },
                             verifyIn("bigget-sftp"), cleanupIn("bigget-sftp"));
    std::vector<Samples> samples = RunInterleaved({own, curl}, options.nRepetitions);
    return {"Get " + std::to_string(options.nBigMiB) + " MiB file" + layout.Over(), Measure::Throughput,
            static_cast<double>(bytes), samples[0], curl.strName, samples[1], 0.9};
}

ReportRow BigPut(const Options& options, const Layout& layout, CVamloBenchClient& vamlo)
{
    const uint64_t bytes = options.nBigMiB << 20;
    const std::string source = layout.Local("big.bin");
    const auto prepareIn = [&layout](const std::string& base) {
        return [&layout, base](int rep, std::string& error) {
            return MakeRemoteTarget(layout, Layout::PerRun(base, rep), error);
        };
    };
    const auto verifyIn = [&layout, source](const std::string& base) {
        return [&layout, source, base](int rep, std::string& error) {
            return SameContents(source, layout.OnServerDisk(Layout::PerRun(base, rep)) + "/big.bin", error);
        };
    };
    const auto cleanupIn = [&layout](const std::string& base) {
        return [&layout, base](int rep) { RemoveTree(layout.OnServerDisk(Layout::PerRun(base, rep))); };
    };
    Contender own{"Vamlo",
                  [&, prepare = prepareIn("bigput-vamlo")](int rep, std::string& error) {
                      vamlo.Disconnect();
                      return prepare(rep, error);
                  },
                  [&](int rep, std::string& error) {
                      return vamlo.Put(source, false, layout.Remote(Layout::PerRun("bigput-vamlo", rep)), 1, error);
                  },
                  verifyIn("bigput-vamlo"), cleanupIn("bigput-vamlo")};
    Contender curl{"curl", prepareIn("bigput-curl"),
                   [&](int rep, std::string& error) {
                       const std::string target = layout.Remote(Layout::PerRun("bigput-curl", rep)) + "/big.bin";
                       return ToolOk(RunTool(Curl(layout, {"--upload-file", source, layout.Url(target)}), "",
                                             layout.Stderr(), options.nToolTimeout),
                                     error);
                   },
                   verifyIn("bigput-curl"), cleanupIn("bigput-curl")};
    if (layout.Sftp())
        curl = SftpContender(options, layout, "sftp -b", prepareIn("bigput-sftp"),
                             [&layout, source](int rep) {
                                 return "put " + source + " " + layout.Remote(Layout::PerRun("bigput-sftp", rep)) +
                                        "/big.bin";
                             },
                             verifyIn("bigput-sftp"), cleanupIn("bigput-sftp"));
    std::vector<Samples> samples = RunInterleaved({own, curl}, options.nRepetitions);
    return {"Put " + std::to_string(options.nBigMiB) + " MiB file" + layout.Over(), Measure::Throughput,
            static_cast<double>(bytes), samples[0], curl.strName, samples[1], 0.9};
}

Samples LocalCopy(const Options& options, const Layout& layout)
{
    const std::string source = layout.Local("big.bin");
    Contender cp{"cp", nullptr,
                 [&](int rep, std::string& error) {
                     return ToolOk(RunTool({"cp", source, layout.Local(Layout::PerRun("copy", rep))}, "",
                                           layout.Stderr(), options.nToolTimeout),
                                   error);
                 },
                 [&](int rep, std::string& error) {
                     return SameContents(source, layout.Local(Layout::PerRun("copy", rep)), error);
                 },
                 [&](int rep) { RemoveTree(layout.Local(Layout::PerRun("copy", rep))); }};
    return RunInterleaved({cp}, options.nRepetitions)[0];
}

// Where one contender's copy of the folder of small files goes in a
// repetition: a local folder for a Get, a remote one for a Put, its own.
struct SmallTarget {
    const Layout& layout;
    bool bGet;
    std::string strBase;

    // As the client names it, and as this program finds it on the disk.
    std::string Named(int rep) const
    {
        const std::string name = Layout::PerRun(strBase, rep);
        return bGet ? layout.Local(name) : layout.Remote(name);
    }
    std::string OnDisk(int rep) const
    {
        const std::string name = Layout::PerRun(strBase, rep);
        return bGet ? layout.Local(name) : layout.OnServerDisk(name);
    }
};

using MoveInto = std::function<bool(const std::string& folder, std::string& error)>;

// A contender moving the folder of small files into its folder of the
// repetition; `before` runs first, outside the clock.
Contender SmallFiles(const Options& options, const SmallTarget& target, std::string name, MoveInto move,
                     std::function<void()> before = nullptr)
{
    return {std::move(name),
            [target, before](int rep, std::string& error) {
                if (before)
                    before();
                // The server's user may not be the one writing here.
                return MakeFolder(target.OnDisk(rep), target.bGet ? 0755 : 0777, error);
            },
            [target, move](int rep, std::string& error) { return move(target.Named(rep), error); },
            [&options, target](int rep, std::string& error) {
                return CheckFolderOfFiles(target.OnDisk(rep) + "/small", options.nSmallFiles, options.nSmallBytes,
                                          error);
            },
            [target](int rep) { RemoveTree(target.OnDisk(rep)); }};
}

// Vamlo's Get or Put of the folder, each file transfer allowed `connections`
// connections to the site.
Contender VamloSmall(const Options& options, const SmallTarget& target, CVamloBenchClient& vamlo, int connections,
                     std::string name)
{
    const Layout& layout = target.layout;
    const MoveInto move = [&options, &layout, &vamlo, get = target.bGet](const std::string& folder,
                                                                         std::string& error) {
        return get ? vamlo.Get(layout.Remote("small"), true, folder, options.nSmallFiles, error)
                   : vamlo.Put(layout.Local("small"), true, folder, options.nSmallFiles, error);
    };
    return SmallFiles(options, target, std::move(name), move, [&vamlo, connections] {
        vamlo.Disconnect();
        vamlo.SetTransferConnections(connections);
    });
}

// lftp's mirror of the folder (mirror -R for a Put); `flags` go after it.
Contender MirrorSmall(const Options& options, const SmallTarget& target, const std::string& flags)
{
    const Layout& layout = target.layout;
    const std::string args = std::string(target.bGet ? "" : "-R ") + (flags.empty() ? "" : flags + " ") +
                             (target.bGet ? layout.Remote("small") : layout.Local("small")) + " ";
    const MoveInto move = [&options, &layout, args](const std::string& folder, std::string& error) {
        return ToolOk(RunTool(LftpMirror(args + folder + "/small", options.server), "", layout.Stderr(),
                              options.nToolTimeout),
                      error);
    };
    return SmallFiles(options, target,
                      std::string("lftp mirror") + (target.bGet ? "" : " -R") + (flags.empty() ? "" : " " + flags),
                      move);
}

std::string SmallCaseName(const Options& options, bool get)
{
    return std::string(get ? "Get " : "Put ") + std::to_string(options.nSmallFiles) + " x " +
           std::to_string(options.nSmallBytes) + " B";
}

// The folder of small files, Get or Put, beside lftp's mirror (or sftp -r).
ReportRow SmallFilesCase(const Options& options, const Layout& layout, CVamloBenchClient& vamlo, bool get)
{
    const std::string tag = get ? "smallget-" : "smallput-";
    // Against sftp the window's default number of connections; against lftp's
    // plain mirror one, as it uses one.
    const int connections = layout.Sftp() ? kDefaultTransferConnections : 1;
    const Contender own = VamloSmall(options, {layout, get, tag + "vamlo"}, vamlo, connections,
                                     connections == 1 ? "Vamlo" : "Vamlo N=" + std::to_string(connections));
    Contender other = MirrorSmall(options, {layout, get, tag + "lftp"}, "");
    if (layout.Sftp()) {
        const SmallTarget target{layout, get, tag + "sftp"};
        const Contender steps = SmallFiles(options, target, "", nullptr);
        const std::string verb = get ? "get -r" : "put -r";
        const std::string command = verb + " " + (get ? layout.Remote("small") : layout.Local("small")) + " ";
        other = SftpContender(options, layout, "sftp -b " + verb, steps.prepare,
                              [target, command](int rep) { return command + target.Named(rep) + "/small"; },
                              steps.verify, steps.cleanup);
    }
    std::vector<Samples> samples = RunInterleaved({own, other}, options.nRepetitions);
    return {SmallCaseName(options, get) + layout.Over(), Measure::FileRate, static_cast<double>(options.nSmallFiles),
            samples[0], other.strName, samples[1], layout.Sftp() ? 1.0 : 1.5};
}

ReportRow SmallGet(const Options& options, const Layout& layout, CVamloBenchClient& vamlo)
{
    return SmallFilesCase(options, layout, vamlo, true);
}

ReportRow SmallPut(const Options& options, const Layout& layout, CVamloBenchClient& vamlo)
{
    return SmallFilesCase(options, layout, vamlo, false);
}

// The folder of small files again, from a server whose every reply comes
// late (bench/delayed_ftp_server.py): Vamlo with one connection and with
// four, beside lftp's mirror with one and with four, counting what each
// sends. The ratios and targets are those of the round-trip case in README.md.
std::vector<ReportRow> RoundTrips(const Options& options, const Layout& layout, CVamloBenchClient& vamlo, bool get,
                                  CCommandTally& tally)
{
    const std::string tag = get ? "rttget-" : "rttput-";
    const double mostCommands = get ? 2.1 : 6;
    const std::vector<Contender> contenders = {
        tally.Counted(VamloSmall(options, {layout, get, tag + "vamlo1"}, vamlo, 1, "Vamlo N=1"), mostCommands),
        tally.Counted(VamloSmall(options, {layout, get, tag + "vamlo4"}, vamlo, 4, "Vamlo N=4"), mostCommands),
        tally.Counted(MirrorSmall(options, {layout, get, tag + "lftp1"}, "")),
        tally.Counted(MirrorSmall(options, {layout, get, tag + "lftp4"}, "--parallel=4"))};
    const std::vector<Samples> samples = RunInterleaved(contenders, options.nRepetitions);
    const std::string name = SmallCaseName(options, get) + ", late replies, N=";
    const auto row = [&](int own, int other, double target) {
        return ReportRow{name + (own == 0 ? "1" : "4"), Measure::FileRate, static_cast<double>(options.nSmallFiles),
                         samples[own], contenders[other].strName, samples[other], target};
    };
    return {row(1, 2, get ? 0.3 : 0.45), row(1, 3, get ? 1.0 : 1.6), row(0, 2, get ? 1.1 : 1.6)};
}

ReportRow Listing(const Options& options, const Layout& layout, CVamloBenchClient& vamlo)
{
    const std::string listed = layout.Local("list.out");
    Contender own{"Vamlo",
                  [&](int, std::string&) {
                      vamlo.Disconnect();
                      return true;
                  },
                  [&](int, std::string& error) {
                      int64_t entries = 0;
                      if (!vamlo.List(layout.Remote("list"), entries, error))
                          return false;
                      return entries == options.nListEntries ||
                             Fail(error, "listed " + std::to_string(entries) + " entries");
                  },
                  nullptr, nullptr};
    Contender curl{"curl LIST", nullptr,
                   [&](int, std::string& error) {
                       return ToolOk(RunTool(Curl(layout, {layout.Url(layout.Remote("list") + "/")}), listed,
                                             layout.Stderr(), options.nToolTimeout),
                                     error);
                   },
                   [&](int, std::string& error) {
                       const int64_t lines = CountLines(listed);
                       return lines == options.nListEntries || Fail(error, "listed " + std::to_string(lines) + " lines");
                   },
                   [&](int) { RemoveTree(listed); }};
    std::vector<Samples> samples = RunInterleaved({own, curl}, options.nRepetitions);
    return {"List " + std::to_string(options.nListEntries) + " entries", Measure::EntryRate,
            static_cast<double>(options.nListEntries), samples[0], "curl LIST", samples[1], 0};
}

// A remote folder of the small files deleted whole: Vamlo's folder delete
// beside lftp's "rm -r".
ReportRow RemoteDelete(const Options& options, const Layout& layout, CVamloBenchClient& vamlo)
{
    const auto prepareIn = [&options, &layout](const std::string& base) {
        return [&options, &layout, base](int rep, std::string& error) {
            const std::string folder = layout.OnServerDisk(Layout::PerRun(base, rep));
            // The server's user may not be the one writing here.
            return WriteFolderOfFiles(folder, options.nSmallFiles, 0, error) && MakeFolder(folder, 0777, error);
        };
    };
    const auto verifyIn = [&layout](const std::string& base) {
        return [&layout, base](int rep, std::string& error) {
            const std::string folder = layout.OnServerDisk(Layout::PerRun(base, rep));
            return access(folder.c_str(), F_OK) != 0 || Fail(error, folder + " is still there");
        };
    };
    const auto cleanupIn = [&layout](const std::string& base) {
        return [&layout, base](int rep) { RemoveTree(layout.OnServerDisk(Layout::PerRun(base, rep))); };
    };
    Contender own{"Vamlo",
                  [&, prepare = prepareIn("delete-vamlo")](int rep, std::string& error) {
                      vamlo.Disconnect();
                      return prepare(rep, error);
                  },
                  [&](int rep, std::string& error) {
                      return vamlo.DeleteFolder(layout.Remote(Layout::PerRun("delete-vamlo", rep)), error);
                  },
                  verifyIn("delete-vamlo"), cleanupIn("delete-vamlo")};
    Contender lftp{"lftp rm -r", prepareIn("delete-lftp"),
                   [&](int rep, std::string& error) {
                       return ToolOk(RunTool(Lftp("rm -r " + layout.Remote(Layout::PerRun("delete-lftp", rep)),
                                                  options.server),
                                             "", layout.Stderr(), options.nToolTimeout),
                                     error);
                   },
                   verifyIn("delete-lftp"), cleanupIn("delete-lftp")};
    std::vector<Samples> samples = RunInterleaved({own, lftp}, options.nRepetitions);
    return {"Delete a folder of " + std::to_string(options.nSmallFiles) + " files", Measure::FileRate,
            static_cast<double>(options.nSmallFiles), samples[0], "lftp rm -r", samples[1], 1.5};
}

// A folder of one big file and many small ones copied from site to site,
// beside a Get of it plus a Put of what arrived, both by Vamlo: the copy goes
// through the temporary folder and should cost little more than the two legs.
ReportRow SiteToSite(const Options& options, const Layout& layout, CVamloBenchClient& vamlo)
{
    const int files = options.nSiteSmallFiles + 1;
    const auto verifyIn = [&options, &layout](const std::string& base) {
        return [&options, &layout, base](int rep, std::string& error) {
            const std::string arrived = layout.OnServerDisk(Layout::PerRun(base, rep)) + "/mixed";
            return CheckFolderOfFiles(arrived + "/small", options.nSiteSmallFiles, options.nSmallBytes, error) &&
                   SameContents(layout.OnServerDisk("mixed/big.bin"), arrived + "/big.bin", error);
        };
    };
    const auto cleanupIn = [&layout](const std::string& base) {
        return [&layout, base](int rep) {
            RemoveTree(layout.OnServerDisk(Layout::PerRun(base, rep)));
            RemoveTree(layout.Local(Layout::PerRun(base, rep)));
        };
    };
    Contender own{"Vamlo site to site",
                  [&](int rep, std::string& error) {
                      vamlo.Disconnect();
                      return MakeRemoteTarget(layout, Layout::PerRun("site-vamlo", rep), error);
                  },
                  [&](int rep, std::string& error) {
                      return vamlo.RemoteCopy(layout.Remote("mixed"), true,
                                              layout.Remote(Layout::PerRun("site-vamlo", rep)), files, error);
                  },
                  verifyIn("site-vamlo"),
                  [&, cleanup = cleanupIn("site-vamlo")](int rep) {
                      cleanup(rep);
                      // What the copy left in the temporary folder goes outside
                      // the clock, as the other side's local copy does.
                      RemoveTree(layout.Local("vamlo-home") + "/" + kTempDirName);
                  }};
    Contender legs{"Vamlo Get + Put",
                   [&](int rep, std::string& error) {
                       vamlo.Disconnect();
                       return MakeRemoteTarget(layout, Layout::PerRun("site-legs", rep), error) &&
                              MakeFolder(layout.Local(Layout::PerRun("site-legs", rep)), 0755, error);
                   },
                   [&](int rep, std::string& error) {
                       const std::string local = layout.Local(Layout::PerRun("site-legs", rep));
                       return vamlo.Get(layout.Remote("mixed"), true, local, files, error) &&
                              vamlo.Put(local + "/mixed", true, layout.Remote(Layout::PerRun("site-legs", rep)),
                                        files, error);
                   },
                   verifyIn("site-legs"), cleanupIn("site-legs")};
    std::vector<Samples> samples = RunInterleaved({own, legs}, options.nRepetitions);
    return {"Site to site " + std::to_string(options.nSiteBigMiB) + " MiB + " +
                std::to_string(options.nSiteSmallFiles) + " small files",
            Measure::FileRate, static_cast<double>(files), samples[0], "Vamlo Get + Put", samples[1], 1.1};
}

bool CreateData(const Options& options, const Layout& layout, std::string& error)
{
    const uint64_t bytes = options.nBigMiB << 20;
    // Only what the chosen cases use: the big files alone take a while.
    const bool big = options.Runs("big-get") || options.Runs("big-put") || options.Runs("copy");
    if (!MakeFolder(options.strServerRoot + options.strRemoteBase, 0777, error) ||
        (big && (!WritePatternFile(layout.Local("big.bin"), bytes, 1, error) ||
                 !WritePatternFile(layout.OnServerDisk("big.bin"), bytes, 1, error))) ||
        !WriteFolderOfFiles(layout.Local("small"), options.nSmallFiles, options.nSmallBytes, error) ||
        !WriteFolderOfFiles(layout.OnServerDisk("small"), options.nSmallFiles, options.nSmallBytes, error) ||
        (options.Runs("list") && !WriteFolderOfFiles(layout.OnServerDisk("list"), options.nListEntries, 0, error)) ||
        (options.Runs("site") &&
         (!WriteFolderOfFiles(layout.OnServerDisk("mixed/small"), options.nSiteSmallFiles, options.nSmallBytes,
                              error) ||
          !WritePatternFile(layout.OnServerDisk("mixed/big.bin"), options.nSiteBigMiB << 20, 2, error) ||
          !MakeFolder(layout.OnServerDisk("mixed"), 0755, error))))
        return false;
    sync();
    return true;
}

std::string LoadAverage()
{
    double load[3] = {};
    if (getloadavg(load, 3) != 3)
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

void PrintHeader(const Options& options)
{
    std::printf("Vamlo transfer benchmark\n");
    std::printf("  server:    %s on %s:%u, root %s\n", options.strServerName.c_str(), options.server.strHost.c_str(),
                options.server.nPort, options.strServerRoot.c_str());
    if (!options.strNote.empty())
        std::printf("  note:      %s\n", options.strNote.c_str());
    if (options.server.bSftp) {
        std::printf("  sftp:      %s\n", FirstOutputLine({"ssh", "-V"}, options.strWork).c_str());
    } else {
        std::printf("  curl:      %s\n", FirstOutputLine({"curl", "--version"}, options.strWork).c_str());
        std::printf("  lftp:      %s\n", FirstOutputLine({"lftp", "--version"}, options.strWork).c_str());
    }
    std::printf("  machine:   %ld cpus online, load average %s\n", sysconf(_SC_NPROCESSORS_ONLN),
                LoadAverage().c_str());
    std::printf("  work:      %s\n", options.strWork.c_str());
    std::fflush(stdout);
}

void Progress(const char* what)
{
    std::fprintf(stderr, "... %s\n", what);
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    const Layout layout(options);
    PrintHeader(options);
    std::string error;
    Progress("creating the data");
    if (!CreateData(options, layout, error)) {
        std::fprintf(stderr, "cannot create the benchmark data: %s\n", error.c_str());
        return 1;
    }
    CVamloBenchClient vamlo(options.server, layout.Local("vamlo-home"));

    using CaseFunction = ReportRow (*)(const Options&, const Layout&, CVamloBenchClient&);
    const std::pair<const char*, CaseFunction> cases[] = {
        {"big-get", BigGet}, {"big-put", BigPut}, {"small-get", SmallGet}, {"small-put", SmallPut}, {"list", Listing},
        {"delete", RemoteDelete}, {"site", SiteToSite}};
    std::vector<ReportRow> rows;
    for (const auto& [name, run] : cases) {
        if (options.Runs(name)) {
            Progress(name);
            rows.push_back(run(options, layout, vamlo));
        }
    }
    // Last: these leave the client with four connections per transfer.
    std::deque<CCommandTally> tallies;   // each stays in place while its contenders run
    for (const bool get : {true, false}) {
        if (!options.Runs(get ? "rtt-get" : "rtt-put"))
            continue;
        Progress(get ? "rtt-get" : "rtt-put");
        CCommandTally& tally = tallies.emplace_back(options.strCommandLog, options.nSmallFiles,
                                                    SmallCaseName(options, get) + ", late replies");
        for (ReportRow& row : RoundTrips(options, layout, vamlo, get, tally))
            rows.push_back(std::move(row));
    }
    std::optional<Samples> copy;
    if (options.Runs("copy")) {
        Progress("copy");
        copy = LocalCopy(options, layout);
    }
    vamlo.Disconnect();

    ReportOutcome outcome =
        PrintReport(rows, copy, static_cast<double>(options.nBigMiB << 20), options.nRepetitions);
    bool commandsMet = true;
    for (const CCommandTally& tally : tallies)
        commandsMet = tally.Print() && commandsMet;
    if (!commandsMet && outcome == ReportOutcome::AllMet)
        outcome = ReportOutcome::TargetMissed;
    std::printf("\nLoad average at the end: %s (other work on the machine widens the spread)\n", LoadAverage().c_str());
    switch (outcome) {
    case ReportOutcome::AllMet:
        return 0;
    case ReportOutcome::TargetMissed:
        return 3;
    case ReportOutcome::RunFailed:
        break;
    }
    return 1;
}
