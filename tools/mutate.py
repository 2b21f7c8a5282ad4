#!/usr/bin/env python3
"""Plant faults in the program one at a time and see whether the suite notices.

    python3 tools/mutate.py tests/mutants.txt [--only ID,ID] [--work DIR]
                            [--jobs N] [--no-baseline] [-- CTEST-ARGS]

Run it from the project's root, as root: the suite then runs inside
`unshare -n`, where the network tests build their own hosts. The faults are
planted in a clone of the commit checked out (HEAD), never in the checkout
itself, so uncommitted changes to the program are not part of the run; the
mutant file is read as it is on disk.

For each mutant the clone gets that one fault, is built, and the CTest suite
runs; then the file is put back. The verdict is
  KILLED    a test failed: the suite notices the fault
  SURVIVED  every test passed: the suite does not notice it
  INVALID   the fault does not build (not counted either way)
The suite first runs once without any fault; when it fails then, no verdict
could be trusted and the run stops.

--work DIR keeps the clone and its build in DIR, so that the next run builds
only what its mutants touch; without it a temporary folder is used, and only
its log is left at the end. Build and test output goes to DIR/mutate.log.

The exit status is 0 when no mutant survived, 1 when one did, and 2 when the
run could not judge (a mutant that does not apply, a failing build or suite).

The mutant file holds blocks like this one, in the manner of a diff; lines
outside blocks that start with # are comments, blank lines end a block:

    [short-id] path/from/the/project/root.cpp
    -text that occurs exactly once in that file, one line a '-'
    +the text that takes its place, one line a '+' (none: the text goes)
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HEADER = re.compile(r"\[([A-Za-z0-9_.-]+)\]\s+(\S+)\s*")
DEFAULT_CTEST_ARGS = ["--output-on-failure", "--stop-on-failure", "--timeout", "180"]


class Mutant:
    def __init__(self, ident, path, old, new, where):
        self.ident = ident
        self.path = path
        self.old = old
        self.new = new
        self.where = where


class Unjudged(Exception):
    """The run cannot give verdicts; the message says why."""


def parse(filename):
    """Reads every block of a mutant file, with the line each starts on."""
    with open(filename, encoding="utf-8") as f:
        lines = f.read().split("\n")
    mutants, i = [], 0
    while i < len(lines):
        line = lines[i]
        if not line.strip() or line.startswith("#"):
            i += 1
            continue
        header = HEADER.fullmatch(line)
        if not header:
            raise Unjudged(f"{filename}:{i + 1}: expected '[id] path', found {line!r}")
        start = i + 1
        i += 1
        old, new = [], []
        while i < len(lines) and lines[i].startswith("-"):
            old.append(lines[i][1:])
            i += 1
        while i < len(lines) and lines[i].startswith("+"):
            new.append(lines[i][1:])
            i += 1
        if i < len(lines) and lines[i].strip():
            raise Unjudged(f"{filename}:{i + 1}: [{header[1]}]: a line of a block starts with - or +")
        if not old:
            raise Unjudged(f"{filename}:{start}: [{header[1]}] has no text to replace")
        if old == new:
            raise Unjudged(f"{filename}:{start}: [{header[1]}] changes nothing")
        mutants.append(Mutant(header[1], header[2], "\n".join(old), "\n".join(new), f"{filename}:{start}"))
    return mutants


def select(mutants, only):
    seen = set()
    for m in mutants:
        if m.ident in seen:
            raise Unjudged(f"{m.where}: the id [{m.ident}] is used twice")
        seen.add(m.ident)
    if not only:
        return mutants
    wanted = [w for w in only.split(",") if w]
    unknown = [w for w in wanted if w not in seen]
    if unknown:
        raise Unjudged("no mutant with the id " + ", ".join(unknown))
    return [m for m in mutants if m.ident in wanted]


class Runner:
    def __init__(self, project, work, jobs, ctest_args):
        self.project = project
        self.work = work
        self.src = os.path.join(work, "src")
        self.build = os.path.join(work, "build")
        self.log = os.path.join(work, "mutate.log")
        self.jobs = jobs
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        if shutil.which("ccache"):
            self.env.setdefault("CCACHE_BASEDIR", work)
        self.ctest = ["ctest", "--test-dir", self.build] + ctest_args
        if os.geteuid() == 0:
            self.ctest = ["unshare", "-n", "--"] + self.ctest

    def note(self, text):
        with open(self.log, "a", encoding="utf-8") as out:
            out.write(text + "\n")

    def call(self, cmd, cwd=None):
        """Runs a command with its output going to the log as it comes; returns
        the exit status and that output."""
        self.note("$ " + " ".join(cmd))
        with open(self.log, "ab") as out:
            start = out.tell()
            rc = subprocess.run(cmd, cwd=cwd or self.src, env=self.env, stdout=out,
                                stderr=subprocess.STDOUT).returncode
        with open(self.log, "rb") as log:
            log.seek(start)
            return rc, log.read().decode("utf-8", "replace")

    def git(self, *args, cwd=None):
        rc, out = self.call(["git", *args], cwd=cwd)
        if rc:
            raise Unjudged(f"git {' '.join(args)} failed, see {self.log}")
        return out.strip()

    def checkout_head(self):
        head = self.git("rev-parse", "HEAD", cwd=self.project)
        if not os.path.isdir(os.path.join(self.src, ".git")):
            self.git("clone", "--quiet", "--no-checkout", self.project, self.src, cwd=self.work)
        self.git("fetch", "--quiet", self.project, "HEAD")
        if self.git("rev-parse", "FETCH_HEAD") != head:
            raise Unjudged("the clone did not receive the project's HEAD")
        self.git("checkout", "--quiet", "--force", "--detach", head)
        self.git("clean", "--quiet", "-fdx")
        dirty = self.git("status", "--porcelain", "--untracked-files=no", cwd=self.project)
        return head, bool(dirty)

    def check_applies(self, mutants):
        problems = []
        for m in mutants:
            path = os.path.join(self.src, m.path)
            if not os.path.isfile(path):
                problems.append(f"{m.where}: [{m.ident}] no file {m.path} at HEAD")
                continue
            with open(path, encoding="utf-8") as f:
                count = f.read().count(m.old)
            if count != 1:
                problems.append(f"{m.where}: [{m.ident}] the text occurs {count} times in {m.path}, not once")
        if problems:
            raise Unjudged("\n".join(problems))

    def compile(self):
        if not os.path.isfile(os.path.join(self.build, "build.ninja")):
            configure = ["cmake", "-S", self.src, "-B", self.build, "-G", "Ninja",
                         "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DQCX_BUILD_TESTS=ON"]
            if shutil.which("ccache"):
                configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
            if self.call(configure)[0]:
                return False
        return self.call(["cmake", "--build", self.build, "-j", str(self.jobs)])[0] == 0

    def suite(self):
        """Runs the suite; returns None when it passed, else the failed tests."""
        rc, out = self.call(self.ctest)
        if rc == 0:
            return None
        failed = re.findall(r"^\s*\d+ - (\S+) \(", out, re.M)
        return failed or ["exit status %d" % rc]

    def judge(self, m):
        path = os.path.join(self.src, m.path)
        with open(path, encoding="utf-8", newline="") as f:
            original = f.read()
        self.note(f"\n=== mutant [{m.ident}] in {m.path}")
        try:
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(original.replace(m.old, m.new, 1))
            if not self.compile():
                return "INVALID", "does not build"
            failed = self.suite()
            if failed is None:
                return "SURVIVED", "every test passed"
            return "KILLED", "by " + ", ".join(failed)
        finally:
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(original)


def main():
    ap = argparse.ArgumentParser(description="Plant each mutant in a clone of HEAD and run the suite.",
                                 usage="%(prog)s MUTANTS... [--only ID,ID] [--work DIR] [--jobs N] "
                                       "[--no-baseline] [-- CTEST-ARGS]")
    ap.add_argument("mutants", nargs="+", help="mutant files")
    ap.add_argument("--only", help="comma-separated ids: run these mutants only")
    ap.add_argument("--work", help="folder for the clone and its build, kept for the next run")
    ap.add_argument("--project", default=".", help="the project's root (default: the current folder)")
    ap.add_argument("--jobs", type=int, default=2, help="parallel compile jobs (default 2)")
    ap.add_argument("--no-baseline", action="store_true", help="skip the run of the suite without a fault")
    argv = sys.argv[1:]
    ctest_args = DEFAULT_CTEST_ARGS
    if "--" in argv:
        cut = argv.index("--")
        argv, ctest_args = argv[:cut], argv[cut + 1:]
    args = ap.parse_args(argv)

    try:
        mutants = []
        for filename in args.mutants:
            mutants += parse(filename)
        mutants = select(mutants, args.only)
        if not mutants:
            raise Unjudged("the mutant files hold no mutant")
    except (Unjudged, OSError) as e:
        print(f"mutate: {e}", file=sys.stderr)
        return 2

    project = os.path.abspath(args.project)
    work = os.path.abspath(args.work) if args.work else tempfile.mkdtemp(prefix="qcx-mutate.")
    os.makedirs(work, exist_ok=True)
    runner = Runner(project, work, max(1, args.jobs), ctest_args)
    killed = survived = invalid = 0
    try:
        head, dirty = runner.checkout_head()
        print(f"{len(mutants)} mutant(s) against {head[:12]} in {work}; output in {runner.log}", flush=True)
        if dirty:
            print("note: the project has uncommitted changes; they are not part of this run", flush=True)
        if os.geteuid() != 0:
            print("note: not root, so the suite runs without a network namespace of its own", flush=True)
        runner.check_applies(mutants)
        t0 = time.monotonic()
        if not runner.compile():
            raise Unjudged(f"the project does not build without a fault, see {runner.log}")
        if not args.no_baseline:
            runner.note("\n=== baseline, no fault planted")
            failed = runner.suite()
            if failed:
                raise Unjudged(f"the suite fails without a fault ({', '.join(failed)}), see {runner.log}")
            print(f"baseline: the suite passes without a fault ({time.monotonic() - t0:.0f} s)", flush=True)

        width = max(len(m.ident) for m in mutants)
        for m in mutants:
            t0 = time.monotonic()
            verdict, why = runner.judge(m)
            killed += verdict == "KILLED"
            survived += verdict == "SURVIVED"
            invalid += verdict == "INVALID"
            print(f"{verdict:<8}  {m.ident:<{width}}  {m.path}  {why}  ({time.monotonic() - t0:.0f} s)", flush=True)
    except Unjudged as e:
        print(f"mutate: {e}", file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        print("mutate: interrupted; the clone's files are restored", file=sys.stderr)
        return 2
    finally:
        # A temporary folder keeps only the log, for a look at what failed.
        if not args.work:
            shutil.rmtree(runner.src, ignore_errors=True)
            shutil.rmtree(runner.build, ignore_errors=True)

    print(f"total: {killed} killed, {survived} survived, {invalid} invalid of {len(mutants)}")
    return 1 if survived else 0


if __name__ == "__main__":
    sys.exit(main())
