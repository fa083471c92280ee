#!/usr/bin/env python3
"""Times the text outputs (text, HTML, Word) of this build against an earlier
build of the project and pdftotext over the corpus, interleaved in one run:
for each round and each file, pdftotext, then this build, then the earlier
one, output by output, so that what else the machine does weighs on all of
them alike. Processor time (user and system, as the kernel counts it for
the child) and peak resident memory of every conversion; the best round of
each file is kept and the times summed over the files.

  bench/text_against_build.py [--rounds N] [--types txt,html,docx]
                              [--old COMMIT | --old-pdfconvert PATH]
                              [--new-pdfconvert PATH] [corpus folder or PDF files...]

COMMIT (by default the last one before the converter read its files afresh
and bound each page's work) is built once, with the Release settings of the
build guide, in a worktree of its own under /tmp that later runs reuse. The
new build is build-release/tools/pdfconvert of this checkout.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent.parent
BEFORE_READING_AFRESH = "57be3be"


def build_old(commit):
    full = subprocess.run(["git", "-C", str(HERE), "rev-parse", "--short=12", commit], check=True,
                          capture_output=True, text=True).stdout.strip()
    tree = Path(tempfile.gettempdir()) / ("qv-build-" + full)
    if not tree.is_dir():
        subprocess.run(["git", "-C", str(HERE), "worktree", "add", "--detach", str(tree), full], check=True,
                       stdout=sys.stderr)
    program = tree / "build-release" / "tools" / "pdfconvert"
    if not program.exists():
        subprocess.run(["cmake", "-S", str(tree), "-B", str(tree / "build-release"), "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache",
                        "-DCMAKE_C_COMPILER_LAUNCHER=ccache"], check=True, stdout=sys.stderr)
        subprocess.run(["cmake", "--build", str(tree / "build-release"), "-j3", "--target", "pdfconvert"],
                       check=True, stdout=sys.stderr)
    return program


def passwords(folder):
    """The passwords the corpus manifest gives, by file name."""
    out = {}
    manifest = folder / "manifest.tsv"
    if manifest.exists():
        for line in manifest.read_text().splitlines()[1:]:
            cols = line.split("\t")
            if len(cols) > 2 and cols[2] != "-":
                out[cols[0]] = cols[2]
    return out


def measure(args, scratch):
    """(processor seconds, peak resident MB) of one run; None when it fails.
    The run goes through /usr/bin/time, which reports the peak memory of the
    program alone (a child forked from this script would count the
    script's own memory in its peak); the processor time is the kernel's
    count for both, to the microsecond (time's own share is the same for
    every run)."""
    report = f"{scratch}/time.txt"
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + args, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        return None
    peak_kb = int(Path(report).read_text().split()[-1])
    return usage.ru_utime + usage.ru_stime, peak_kb / 1024.0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--types", default="txt,html,docx")
    parser.add_argument("--old", default=BEFORE_READING_AFRESH)
    parser.add_argument("--old-pdfconvert")
    parser.add_argument("--new-pdfconvert", default=str(HERE / "build-release" / "tools" / "pdfconvert"))
    parser.add_argument("inputs", nargs="*")
    options = parser.parse_args()
    for tool in ("pdftotext", "/usr/bin/time"):
        if not shutil.which(tool):
            sys.exit(f"text_against_build: {tool} is needed")
    new = Path(options.new_pdfconvert)
    if not new.exists():
        sys.exit(f"text_against_build: no {new} (build the Release tree)")
    old = Path(options.old_pdfconvert) if options.old_pdfconvert else build_old(options.old)
    inputs = [Path(p) for p in options.inputs] or [Path(os.environ.get("QV_CORPUS_DIR", "/work/shared/corpus"))]
    files = []
    for p in inputs:
        files += sorted(p.glob("*.pdf")) if p.is_dir() else [p]
    known = {}
    for f in files:
        known.update({f.parent / k: v for k, v in passwords(f.parent).items()})
    types = options.types.split(",")
    runs = ["pdftotext"] + [f"{build}:{t}" for t in types for build in ("new", "old")]
    best = {}
    with tempfile.TemporaryDirectory() as scratch:
        for _ in range(options.rounds):
            for f in files:
                pw = known.get(f)
                for run in runs:
                    if run == "pdftotext":
                        args = ["pdftotext", "-q"] + (["-upw", pw] if pw else []) + [str(f), f"{scratch}/out.txt"]
                    else:
                        build, t = run.split(":")
                        args = [str(new if build == "new" else old), "--to", t] + (["--password", pw] if pw else [])
                        args += [str(f), f"{scratch}/out.{t}"]
                    m = measure(args, scratch)
                    key = (run, f)
                    if m and (key not in best or best[key] is None or m[0] < best[key][0]):
                        best[key] = m
                    best.setdefault(key, None)
                    for leftover in Path(scratch).glob("out.*"):
                        leftover.unlink() if leftover.is_file() else shutil.rmtree(leftover)
    largest = max(files, key=lambda f: f.stat().st_size)
    print(f"files: {len(files)}, rounds: {options.rounds} (best per file), processor time (user + system)")
    print(f"new build: {new}\nold build: {old}")

    def total(run):
        return sum(best[(run, f)][0] for f in files if best[(run, f)])

    def failed(run):
        return sum(1 for f in files if not best[(run, f)])

    def peak(run):
        m = best[(run, largest)]
        return f"{m[1]:.1f} MB" if m else "failed"

    text = total("pdftotext")
    print(f"{'pdftotext':<10} {text:8.3f} s                    largest file ({largest.name}) peak {peak('pdftotext')}")
    for t in types:
        for build in ("new", "old"):
            run = f"{build}:{t}"
            s = total(run)
            note = f"  ({failed(run)} failed)" if failed(run) else ""
            print(f"{build + ' ' + t:<10} {s:8.3f} s  {s / text:5.2f} x pdftotext  largest file peak {peak(run)}{note}")
        n, o = total(f"new:{t}"), total(f"old:{t}")
        if o > 0:
            print(f"{'':<10} {t}: new / old = {n / o:.2f}")


if __name__ == "__main__":
    main()
