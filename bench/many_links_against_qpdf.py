#!/usr/bin/env python3
"""Times the pages of many annotations to every output beside qpdf, which
needs as much to count their pages as a reader needs to read them: each file
converted by this build (and by an earlier one, given --old-pdfconvert), in
turns with qpdf --show-npages, best of N rounds; processor time (user and
system) and peak resident memory of each run, and how many times qpdf's
time and memory each output takes (the aim: within 1.5 times).

  bench/many_links_against_qpdf.py [--rounds N] [--old-pdfconvert PATH]
                                   [--new-pdfconvert PATH] [PDF files...]

By default the files are the hostile folder's many-links.pdf (32,768 links
without appearances, in object streams of a hundred objects) and
many-links-one-object-stream.pdf (the same page, every object in one
object stream, as a browser's print writes it).
"""
import argparse
import os
import shutil
import sys
import tempfile
from pathlib import Path

from text_against_build import measure

HERE = Path(__file__).resolve().parent.parent
HOSTILE = Path(os.environ.get("QV_HOSTILE_DIR", "/work/shared/hostile"))
TYPES = ["txt", "docx", "pptx", "xlsx", "csv", "html", "rtf"]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--old-pdfconvert")
    parser.add_argument("--new-pdfconvert", default=str(HERE / "build-release" / "tools" / "pdfconvert"))
    parser.add_argument("files", nargs="*")
    options = parser.parse_args()
    for tool in ("qpdf", "/usr/bin/time"):
        if not shutil.which(tool):
            sys.exit(f"many_links_against_qpdf: {tool} is needed")
    files = [Path(f) for f in options.files] or [HOSTILE / "many-links.pdf",
                                                  HOSTILE / "many-links-one-object-stream.pdf"]
    builds = [("new", options.new_pdfconvert)] + ([("old", options.old_pdfconvert)] if options.old_pdfconvert else [])
    best = {}
    with tempfile.TemporaryDirectory() as scratch:
        for _ in range(options.rounds):
            for f in files:
                runs = [("qpdf", ["qpdf", "--show-npages", str(f)])]
                runs += [(f"{name} {t}", [program, "--to", t, str(f), f"{scratch}/out.{t}"])
                         for t in TYPES for name, program in builds]
                for key, args in runs:
                    m = measure(args, scratch)
                    for leftover in Path(scratch).glob("out.*"):
                        leftover.unlink() if leftover.is_file() else shutil.rmtree(leftover)
                    k = (f, key)
                    if m and (best.get(k) is None or m[0] < best[k][0]):
                        best[k] = m
                    best.setdefault(k, None)
    print(f"rounds: {options.rounds} (best), processor time (user + system) and peak resident memory")
    for f in files:
        q = best[(f, "qpdf")]
        print(f"\n{f.name}: qpdf --show-npages {q[0]:.3f} s, {q[1]:.1f} MB")
        for t in TYPES:
            for name, _ in builds:
                m = best[(f, f"{name} {t}")]
                if not m:
                    print(f"  {name:<4}{t:<5} failed")
                    continue
                print(f"  {name:<4}{t:<5} {m[0]:6.3f} s {m[1]:7.1f} MB   {m[0] / q[0]:4.2f} x qpdf's time, "
                      f"{m[1] / q[1]:4.2f} x its memory")


if __name__ == "__main__":
    main()
