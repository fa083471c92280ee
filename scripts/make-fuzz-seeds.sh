#!/usr/bin/env bash
# Derives the seed inputs of the fuzz targets from the PDF corpus and the
# sample document into OUTDIR/<target>/. Seeds are made fresh on every machine and never committed.
#
#   scripts/make-fuzz-seeds.sh BUILD_DIR OUTDIR
#
# BUILD_DIR is a fuzz build folder (see scripts/fuzz.sh) with make_fuzz_seeds
# built in it.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ]; then
  echo "Usage: $0 BUILD_DIR OUTDIR" >&2
  exit 2
fi
build="$1"
out="$2"
corpus="${QV_CORPUS_DIR:-$(pwd)/../shared/corpus}"

tool="$build/fuzz/make_fuzz_seeds"
if [ ! -x "$tool" ]; then
  cmake --build "$build" --target make_fuzz_seeds >/dev/null
fi

mkdir -p "$out"
pdfs=()
if [ -d "$corpus" ]; then
  while IFS= read -r -d '' f; do pdfs+=("$f"); done < <(find "$corpus" -maxdepth 1 -name '*.pdf' -print0 | sort -z)
fi
[ -f resources/sample/sample.pdf ] && pdfs+=(resources/sample/sample.pdf)

# The seed tool is built with the sanitizers; its own leaks are not findings.
ASAN_OPTIONS="detect_leaks=0" "$tool" "$out" "${pdfs[@]}"

# Saved findings (tests/data/fuzz-regressions) are not seeds: some stay slow
# by design and would read as timeouts; the FuzzRegressions tests replay them.

# The small hostile files of tests/data/hostile (forms that draw themselves,
# found by the fuzzers, now stopped in a fraction of a second) are seeds of
# the document and page targets, so that the fuzzers start from them.
for f in tests/data/hostile/*.pdf; do
  [ -f "$f" ] || continue
  for target in document page_pptx page_docx page_flowtext page_xlsx; do
    mkdir -p "$out/$target"
    cp "$f" "$out/$target/hostile-$(basename "$f" .pdf)"
  done
done
