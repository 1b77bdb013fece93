#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build (fuzz_<area>) for the given number of
# seconds, one after another, since they share the machine. Each grows its own
# corpus under the build folder from the committed seeds (fuzz/seeds/<area>/)
# and the inputs kept from earlier findings (fuzz/regressions/<area>/). A
# crash, a sanitizer report, an input that runs past 10 seconds or a broken
# property stops that fuzzer; its input is left in <build>/fuzz/findings/<area>/
# and the run fails.
#
# Usage: run-fuzzers.sh BUILD_DIR SECONDS
set -uo pipefail

build=$(realpath "$1")
seconds=$2
fuzz_dir=$(cd "$(dirname "$0")" && pwd)
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS=suppressions=$fuzz_dir/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}

passed=0
failed=0
for fuzzer in "$build"/fuzz/fuzz_*; do
  [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
  area=${fuzzer##*/fuzz_}
  corpus=$build/fuzz/corpus/$area
  output=$build/fuzz/$area.out
  mkdir -p "$corpus" "$build/fuzz/findings/$area"
  inputs=("$corpus")
  for kept in "$fuzz_dir"/{seeds,regressions}/"$area"; do [ -d "$kept" ] && inputs+=("$kept"); done
  # The fuzzer works in a folder of its own: every path it is given is absolute.
  if "$fuzzer" -max_total_time="$seconds" -timeout=10 -artifact_prefix="$build/fuzz/findings/$area/" \
      "${inputs[@]}" >"$output" 2>&1; then
    echo "$area: $(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$output") inputs in $seconds s, no finding"
    passed=$((passed + 1))
  else
    echo "$area: FINDING (full output in $output); keep its input as a case in $fuzz_dir/regressions/$area/"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|[a-z_]+: )|Test unit written to' "$output" | head -6
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
