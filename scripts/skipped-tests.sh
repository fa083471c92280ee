#!/usr/bin/env bash
# Says how many tests the last CTest run in BUILD skipped, and why: the
# tests grouped by the reason they gave (the text after GoogleTest's
# "Skipped"), a few names of each group shown.
#
#   scripts/skipped-tests.sh [BUILD]   (default build-asan)
set -euo pipefail
log="${1:-build-asan}/Testing/Temporary/LastTest.log"
if [ ! -f "$log" ]; then
  echo "skipped-tests: no CTest log at $log" >&2
  exit 1
fi

# A test's block in the log starts with "N/M Test: NAME" and ends with
# "end time:"; GoogleTest prints "FILE:LINE: Skipped", the reason, then
# "[  SKIPPED ] NAME (T ms)".
LC_ALL=C awk '
  function flush() {
    if (skipped) {
      if (reason == "") reason = "(no reason given)"
      if (!(reason in count)) order[++reasons] = reason
      if (count[reason]++ < 3) names[reason] = names[reason] "\n      " name
      ++total
    }
    skipped = 0; inReason = 0; reason = ""
  }
  /^[0-9]+\/[0-9]+ Test: / {
    flush()
    ++tests
    name = $0
    sub(/^[0-9]+\/[0-9]+ Test: /, "", name)
    sub(/  # GetParam\(\).*/, "", name)
    next
  }
  /: Skipped$/ { inReason = 1; next }
  /^\[  SKIPPED \] .*\([0-9]+ ms\)$/ { skipped = 1; inReason = 0; next }
  inReason { reason = reason (reason == "" ? "" : " / ") $0 }
  END {
    flush()
    if (total == 0) { printf "No test of the %d run was skipped.\n", tests; exit }
    printf "%d of the %d tests run were skipped:\n", total, tests
    for (i = 1; i <= reasons; ++i) {
      r = order[i]
      more = count[r] > 3 ? sprintf("\n      ... and %d more", count[r] - 3) : ""
      printf "  %d: %s%s%s\n", count[r], r, names[r], more
    }
  }
' "$log"
