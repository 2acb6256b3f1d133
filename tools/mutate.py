#!/usr/bin/python3
"""Measures how many small faults the test suite notices.

Applies each mutant of a fixed sample (tools/mutation-sample.txt) to the
source, one at a time, builds, and runs the suite cheap-first (unit, ftp,
gui; stopping at the first failing test). A mutant is killed when the build's
tests fail or time out, and survives when they all pass. The source file is
always put back, also on Ctrl-C or an error.

Usage: tools/mutate.py [--report FILE] [--build DIR] [--only N,M,...]
"""

import argparse
import os
import signal
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LABELS = ("unit", "ftp", "gui")
TARGETS = ("vamlo_unit_tests", "vamlo_ftp_tests", "vamlo_gui_tests", "vamlo")


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


def configure(build, test_timeout):
    env_launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if run(["which", "ccache"]) == 0 else []
    command = ["cmake", "-S", TOP, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
               "-DVAMLO_SANITIZE=OFF", "-DVAMLO_WERROR=OFF", "-DVAMLO_BUILD_BENCH=OFF",
               f"-DVAMLO_TEST_TIMEOUT={test_timeout}",
               "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld", "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld"] + env_launcher
    if run(command) != 0:
        sys.exit("cmake failed to configure " + build)


def build_targets(build, jobs, log):
    return run(["cmake", "--build", build, "--parallel", str(jobs), "--target", *TARGETS], log=log) == 0


def run_suite(build, jobs, suite_timeout, log):
    """'passed', 'failed' or 'timeout', label by label, cheap first."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for label in LABELS:
        command = ["ctest", "--test-dir", build, "-L", f"^{label}$", "--stop-on-failure",
                   "--parallel", str(jobs), "--output-on-failure"]
        status = run(command, timeout=suite_timeout, log=log, env=env)
        if status is None:
            return "timeout", label
        if status != 0:
            return "failed", label
    return "passed", None


def source_is_clean():
    return subprocess.run(["git", "diff", "--quiet", "--", "src"], cwd=TOP).returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sample", default=os.path.join(TOP, "tools", "mutation-sample.txt"))
    parser.add_argument("--report", default=os.path.join(TOP, "build-mut-report.txt"))
    parser.add_argument("--build", default=os.path.join(TOP, "build-mut"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--test-timeout", type=int, default=60, help="seconds for one test")
    parser.add_argument("--suite-timeout", type=int, default=900, help="seconds for one label's tests")
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

    log_path = args.report + ".log"
    log = open(log_path, "w", encoding="utf-8")
    configure(args.build, args.test_timeout)
    print("Building and running the unchanged suite...", flush=True)
    if not build_targets(args.build, args.jobs, log):
        sys.exit(f"the unchanged source does not build; see {log_path}")
    outcome, label = run_suite(args.build, args.jobs, args.suite_timeout, log)
    if outcome != "passed":
        sys.exit(f"the unchanged suite does not pass ({outcome} in {label}); see {log_path}")

    lines, killed = [], 0
    started = time.monotonic()
    for m in mutants:
        full = os.path.join(TOP, m.path)
        original = open(full, encoding="utf-8").read()
        began = time.monotonic()
        log.write(f"\n===== {m.title()}\n")
        log.flush()
        try:
            with open(full, "w", encoding="utf-8") as source:
                source.write(original.replace(m.find, m.replace, 1))
            if not build_targets(args.build, args.jobs, log):
                verdict, where = "nobuild", None
            else:
                outcome, where = run_suite(args.build, args.jobs, args.suite_timeout, log)
                verdict = {"passed": "survived", "failed": "killed", "timeout": "timeout"}[outcome]
        finally:
            with open(full, "w", encoding="utf-8") as source:
                source.write(original)
        if verdict in ("killed", "timeout"):
            killed += 1
        detail = f" ({where})" if where else ""
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
