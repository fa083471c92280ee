#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a set time.
#
#   scripts/fuzz.sh [--seconds N] [--jobs N] [--build DIR] [--ci] [TARGET...]
#
# TARGET is one of: document cmap color image page_pptx page_docx
# page_flowtext page_xlsx (default: all).
#   --seconds N  time per target (default 600)
#   --jobs N     targets run at once (default 1)
#   --build DIR  fuzz build folder (default build-fuzz)
#   --ci         the short run of the test script: 12 seconds per target, and
#                nothing to do (exit 0) when clang-14 is not installed
#
# Each target keeps its growing corpus in DIR/fuzz-corpus/<target> between
# runs and starts from the seeds of scripts/make-fuzz-seeds.sh. A finding
# (crash, timeout, leak, out-of-memory) is written to
# DIR/fuzz-findings/<target>/ and makes the script exit 1; the run's log is
# DIR/fuzz-logs/<target>.log. Replay one with: DIR/fuzz/fuzz_<target> FILE
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
jobs=1
build=build-fuzz
ci=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --ci) ci=1; seconds=12; shift ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(document cmap color image page_pptx page_docx page_flowtext page_xlsx)

if ! command -v clang++-14 >/dev/null 2>&1; then
  if [ "$ci" = 1 ]; then
    echo "fuzz.sh: clang++-14 is not installed; fuzz targets skipped"
    exit 0
  fi
  echo "fuzz.sh: clang++-14 is needed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQV_FUZZ=ON -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target make_fuzz_seeds $(printf 'fuzz_%s ' "${targets[@]}")

seeds="$build/fuzz-seeds"
if [ ! -d "$seeds" ]; then
  scripts/make-fuzz-seeds.sh "$build" "$seeds"
fi

max_len_of() {
  case "$1" in
    document|page_*) echo 1048576 ;;
    *) echo 262144 ;;
  esac
}

run_target() {
  local target="$1"
  local corpus="$build/fuzz-corpus/$target"
  local findings="$build/fuzz-findings/$target"
  local log="$build/fuzz-logs/$target.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")" "$seeds/$target"
  local inputs=("$corpus" "$seeds/$target")
  # Saved findings (tests/data/fuzz-regressions) are not among the inputs:
  # some stay slow by design (a page that spends its whole operator budget)
  # and would read as timeouts here; the FuzzRegressions tests replay them
  # under the sanitizer build of the test suite instead.
  # One input may take up to 20 s and 2 GiB; more is a finding. Leaks are
  # findings too. Output of the code under test (stdout) is dropped.
  ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}" \
  LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -max_len="$(max_len_of "$target")" -dict=fuzz/pdf.dict -close_fd_mask=1 -print_final_stats=1 \
      -artifact_prefix="$findings/" "${inputs[@]}" >"$log" 2>&1
}

status=0
pids=()
names=()
for target in "${targets[@]}"; do
  if [ ! -x "$build/fuzz/fuzz_$target" ]; then
    echo "fuzz.sh: no target $target" >&2
    exit 2
  fi
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "fuzz.sh: $target for ${seconds}s (log $build/fuzz-logs/$target.log)"
  run_target "$target" &
  pids+=($!)
  names+=("$target")
done
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "fuzz.sh: ${names[$i]}: FINDING, see $build/fuzz-logs/${names[$i]}.log and $build/fuzz-findings/${names[$i]}/"
    grep -E "ERROR: |SUMMARY: |runtime error|Test unit written" "$build/fuzz-logs/${names[$i]}.log" | head -5 || true
    status=1
  else
    tail -n 20 "$build/fuzz-logs/${names[$i]}.log" | grep -E "^#[0-9]+ +DONE|stat::number_of_executed_units" | head -2 |
      sed "s/^/fuzz.sh: ${names[$i]}: /" || true
  fi
done
exit $status
