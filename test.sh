#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
# The real-world PDFs the corpus tests run over: QV_CORPUS_DIR when set, else
# ../shared/corpus beside the checkout, else the files fetched from their
# Debian packages into the build folder. With none (no network), the corpus
# tests skip and say so.
if [ -n "${QV_CORPUS_DIR:-}" ]; then
  case "$QV_CORPUS_DIR" in /*) ;; *) QV_CORPUS_DIR="$OLDPWD/$QV_CORPUS_DIR" ;; esac
else
  if [ -d ../shared/corpus ]; then
    QV_CORPUS_DIR="$PWD/../shared/corpus"
  else
    QV_CORPUS_DIR="$PWD/build-asan/corpus"
    ./scripts/fetch-corpus.sh "$QV_CORPUS_DIR" ||
      echo "test.sh: the corpus is incomplete in $QV_CORPUS_DIR; the tests of the missing files are skipped"
  fi
fi
export QV_CORPUS_DIR
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=ON \
  -DQV_CORPUS_DIR="$QV_CORPUS_DIR" >/dev/null
cmake --build build-asan
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_odr_violation=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
ctest --test-dir build-asan --output-on-failure -j"${CTEST_PARALLEL_LEVEL:-$(nproc)}" --timeout 900 || status=$?
# The fuzz targets, built with clang in build-fuzz and each run for a few
# seconds over its seeds and the saved findings (scripts/fuzz.sh runs them
# longer); skipped when clang is not installed.
if [ "$status" = 0 ]; then
  ./scripts/fuzz.sh --ci --jobs 5 || status=$?
fi
# A run that skipped much would look like a full pass: say what was skipped.
./scripts/skipped-tests.sh build-asan
exit "$status"
