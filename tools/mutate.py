#!/usr/bin/python3
"""Measures how many small faults the test suite notices.

Applies each mutant of a fixed sample (tools/mutation-sample.txt) to the
source, one at a time, builds, and runs the suite cheap-first (unit, ftp, sftp,
gui; stopping at the first failing test). A mutant is killed when the build's
tests fail or time out, and survives when they all pass. The source file is
always put back, also on Ctrl-C or an error.

Usage: tools/mutate.py [--report FILE] [--build DIR] [--only N,M,...] [--check]
The build folder (build-mut by default) is Debug without sanitizers; its log
is build-mut/mutate.log.
"""

import argparse
import fnmatch
import re
import os
import signal
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Long-running volume tests (memory and throughput) and the capture of a real
# X11 screen (it waits on a virtual desktop, which a loaded machine may not
# show in time): the sample does not touch what they check.
DEFAULT_EXCLUDE = "LargeTransferTest.*:FtpTransferTest.HundredMebibytes*:WindowCaptureOnX11Test.*"
TARGETS = ("vamlo_unit_tests", "vamlo_ftp_tests", "vamlo_sftp_tests", "vamlo_gui_tests", "vamlo")


class Mutant:
    def __init__(self, number, kind, what, path, find, replace):
        self.number, self.kind, self.what = number, kind, what
        self.path, self.find, self.replace = path, find, replace

    def title(self):
        return f"#{self.number} {self.path}: {self.kind}: {self.what}"


def unescape(text):
    # "\n" is a line break, "\\" a backslash; any other backslash stays.
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text) and text[i + 1] in "n\\":
            out.append("\n" if text[i + 1] == "n" else "\\")
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def read_sample(path):
    mutants, current = [], None
    with open(path, encoding="utf-8") as sample:
        for number, line in enumerate(sample, 1):
            line = line.rstrip("\n")
            if line.startswith("#") or not line.strip():
                continue
            if line.startswith("== "):
                kind, _, what = line[3:].partition(":")
                current = {"kind": kind.strip(), "what": what.strip()}
                mutants.append(current)
            elif current is None:
                sys.exit(f"{path}:{number}: text before the first '==' line")
            elif line.startswith("file: "):
                current["path"] = line[6:].strip()
            elif line.startswith("- "):
                current["find"] = unescape(line[2:])
            elif line == "+" or line.startswith("+ "):
                current["replace"] = unescape(line[2:])
            else:
                sys.exit(f"{path}:{number}: cannot read: {line}")
    result = []
    for i, m in enumerate(mutants, 1):
        if not {"path", "find", "replace"} <= m.keys():
            sys.exit(f"{path}: mutant {i} lacks its file, '-' or '+' line")
        result.append(Mutant(i, m["kind"], m["what"], m["path"], m["find"], m["replace"]))
    return result


def check_sample(mutants):
    problems = []
    for m in mutants:
        full = os.path.join(TOP, m.path)
        if not os.path.isfile(full):
            problems.append(f"{m.title()}: no such file")
            continue
        count = open(full, encoding="utf-8").read().count(m.find)
        if count != 1:
            problems.append(f"{m.title()}: the text occurs {count} times")
    if problems:
        sys.exit("The sample does not fit the source:\n  " + "\n  ".join(problems))


def run(command, timeout=None, log=None, env=None):
    """Runs a command; returns its exit status, or None when it timed out."""
    with subprocess.Popen(command, cwd=TOP, env=env, stdout=log or subprocess.DEVNULL,
                          stderr=subprocess.STDOUT, start_new_session=True) as process:
        try:
            return process.wait(timeout=timeout)
        except BaseException as stop:
            # The whole group: ctest's children and the servers they started.
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            if isinstance(stop, subprocess.TimeoutExpired):
                return None
            raise


def configure(build):
    env_launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if run(["which", "ccache"]) == 0 else []
    command = ["cmake", "-S", TOP, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
               "-DVAMLO_SANITIZE=OFF", "-DVAMLO_WERROR=OFF", "-DVAMLO_BUILD_BENCH=OFF",
               "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld", "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld"] + env_launcher
    if run(command) != 0:
        sys.exit("cmake failed to configure " + build)


def build_targets(build, jobs, log):
    return run(["cmake", "--build", build, "--parallel", str(jobs), "--target", *TARGETS], log=log) == 0


SUITES = (("unit", "vamlo_unit_tests"), ("ftp", "vamlo_ftp_tests"), ("sftp", "vamlo_sftp_tests"),
          ("gui", "vamlo_gui_tests"))


def list_tests(build, program, exclude):
    """The full names of a test program's tests, without the excluded ones."""
    output = subprocess.run([os.path.join(build, "tests", program), "--gtest_list_tests"],
                            cwd=build, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                            capture_output=True, text=True, check=True).stdout
    names, suite = [], ""
    for line in output.splitlines():
        if not line.strip() or line.startswith(("Running", "Note")) or " " not in line and not line.endswith("."):
            continue
        if not line.startswith(" "):
            suite = line.split("#")[0].strip()
            continue
        name = suite + line.split("#")[0].strip()
        if not any(fnmatch.fnmatchcase(name, pattern) for pattern in exclude.split(":") if pattern):
            names.append(name)
    return names


def run_suite(build, jobs, timeouts, tests, log, only=None):
    """'passed', 'failed' or 'timeout', suite by suite, cheap first.

    Each test program runs its share of the tests in one process, `jobs`
    processes side by side (one process per test, as ctest runs them, costs
    more than the tests), and stops at its first failing test. The shares are
    named tests, not gtest shards: some tests run the program again, and a
    shard setting would reach those runs too. `timeouts` maps a label to the
    seconds its suite may take: a hang is caught there."""
    for label, program in SUITES:
        if only and label != only:
            continue
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        shards = []
        for index in range(jobs):
            share = tests[label][index::jobs]
            if not share:
                continue
            command = [os.path.join(build, "tests", program), "--gtest_fail_fast", "--gtest_brief=1",
                       "--gtest_filter=" + ":".join(share)]
            shards.append(subprocess.Popen(command, cwd=build, env=env, stdout=log,
                                           stderr=subprocess.STDOUT, start_new_session=True))
        deadline = time.monotonic() + timeouts[label]
        outcome = "passed"
        try:
            while shards:
                if time.monotonic() > deadline:
                    outcome = "timeout"
                    break
                for shard in list(shards):
                    status = shard.poll()
                    if status is None:
                        continue
                    shards.remove(shard)
                    if status != 0:
                        outcome = "failed"
                if outcome != "passed":
                    break
                time.sleep(0.1)
        finally:
            for shard in shards:
                os.killpg(shard.pid, signal.SIGKILL)
                shard.wait()
        if outcome != "passed":
            return outcome, label
    return "passed", None


def source_is_clean():
    return subprocess.run(["git", "diff", "--quiet", "--", "src"], cwd=TOP).returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sample", default=os.path.join(TOP, "tools", "mutation-sample.txt"))
    parser.add_argument("--report", default=os.path.join(TOP, "build-mut-report.txt"))
    parser.add_argument("--build", default=os.path.join(TOP, "build-mut"))
    parser.add_argument("--jobs", type=int, default=2, help="build jobs")
    parser.add_argument("--test-jobs", type=int, default=3,
                        help="test processes side by side (the tests mostly wait on servers)")
    parser.add_argument("--exclude", default=DEFAULT_EXCLUDE,
                        help="gtest patterns (':'-separated) of tests left out of the runs")
    parser.add_argument("--only", help="comma-separated mutant numbers")
    parser.add_argument("--check", action="store_true", help="only check that the sample fits the source")
    args = parser.parse_args()

    mutants = read_sample(args.sample)
    check_sample(mutants)
    if args.only:
        wanted = {int(n) for n in args.only.split(",")}
        mutants = [m for m in mutants if m.number in wanted]
    if args.check:
        print(f"{len(mutants)} mutants fit the source")
        return 0
    if not source_is_clean():
        sys.exit("src/ has uncommitted changes: commit or stash them first")

    # A fresh checkout has no build folder yet; the log lives in it.
    os.makedirs(args.build, exist_ok=True)
    log_path = os.path.join(args.build, "mutate.log")
    log = open(log_path, "w", encoding="utf-8")
    configure(args.build)
    print("Building and running the unchanged suite...", flush=True)
    if not build_targets(args.build, args.jobs, log):
        sys.exit(f"the unchanged source does not build; see {log_path}")
    # The unchanged suite sets each suite's time limit: a mutant that makes a
    # test hang is caught at a few times the normal time.
    tests = {label: list_tests(args.build, program, args.exclude) for label, program in SUITES}
    timeouts = {}
    for label, _ in SUITES:
        began = time.monotonic()
        outcome, _ = run_suite(args.build, args.test_jobs, {label: 1800}, tests, log, only=label)
        if outcome != "passed":
            sys.exit(f"the unchanged {label} suite does not pass ({outcome}); see {log_path}")
        timeouts[label] = max(60, 3 * (time.monotonic() - began))
        print(f"  {label}: {time.monotonic() - began:.0f}s", flush=True)

    lines, killed = [], 0
    started = time.monotonic()
    for m in mutants:
        full = os.path.join(TOP, m.path)
        original = open(full, encoding="utf-8").read()
        began = time.monotonic()
        log.write(f"\n===== {m.title()}\n")
        log.flush()
        log_start = os.lseek(log.fileno(), 0, os.SEEK_CUR)
        try:
            with open(full, "w", encoding="utf-8") as source:
                source.write(original.replace(m.find, m.replace, 1))
            if not build_targets(args.build, args.jobs, log):
                verdict, where = "nobuild", None
            else:
                outcome, where = run_suite(args.build, args.test_jobs, timeouts, tests, log)
                verdict = {"passed": "survived", "failed": "killed", "timeout": "timeout"}[outcome]
        finally:
            with open(full, "w", encoding="utf-8") as source:
                source.write(original)
        if verdict in ("killed", "timeout"):
            killed += 1
        detail = f" ({where})" if where else ""
        if verdict == "killed":
            log.flush()
            with open(log_path, encoding="utf-8", errors="replace") as seen:
                seen.seek(log_start)
                failed = re.findall(r"\[  FAILED  \] (\S+)", seen.read())
            if failed:
                detail += " by " + failed[0]
        line = f"{verdict:8} {m.title()}{detail} [{time.monotonic() - began:.0f}s]"
        print(line, flush=True)
        lines.append(line)

    # Put the build back on the unchanged source for whoever uses it next.
    build_targets(args.build, args.jobs, log)
    log.close()
    counted = [l for l in lines if not l.startswith("nobuild")]
    summary = f"killed {killed} / total {len(counted)}"
    with open(args.report, "w", encoding="utf-8") as report:
        report.write(f"# tools/mutate.py over {os.path.relpath(args.sample, TOP)}; "
                     f"{time.monotonic() - started:.0f}s\n")
        report.write("\n".join(lines) + "\n\n" + summary + "\n")
        survivors = [l for l in lines if l.startswith("survived")]
        if survivors:
            report.write("\nSurvivors:\n" + "\n".join(survivors) + "\n")
    print(summary)
    if any(l.startswith("nobuild") for l in lines):
        print("Some mutants did not build: fix the sample (see the report).")
    if not source_is_clean():
        print("src/ differs from the last commit after the run!", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
