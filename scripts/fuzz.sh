#!/usr/bin/env bash
# Runs every fuzz target for a while (default 60 s each), one after another,
# over a scratch copy of its seed corpus, so the tree's corpora stay as they
# are. Exits non-zero at the first finding; the input that caused it is kept
# under build/fuzz/findings/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 600 fuzz_script
#
# The seed is fixed (KV319_FUZZ_SEED, default 1) so that a CI run walks the
# same inputs each time; KV319_FUZZ_SEED=0 lets libFuzzer pick one.
#
# Expects the fuzz preset built (cmake --preset fuzz && cmake --build --preset fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_card_file fuzz_script fuzz_runner_parser fuzz_format)
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan.supp:${LSAN_OPTIONS:-}"

for target in "${targets[@]}"; do
  corpus=${target#fuzz_}
  seeds=$root/tests/fuzz/corpus/$corpus
  work=$root/build/fuzz/corpus-work/$corpus
  findings=$root/build/fuzz/findings/$corpus
  mkdir -p "$work" "$findings"
  max_len=4096
  [ "$target" = fuzz_format ] && max_len=16384
  echo "== $target: $seconds s"
  # The targets work in a scratch directory of their own (their current
  # directory), so every path given to libFuzzer is absolute.
  "$root/build/fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=30 \
    -seed="${KV319_FUZZ_SEED:-1}" \
    -rss_limit_mb=2048 -max_len=$max_len -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "$seeds" 2>"$findings/log.txt" || {
    tail -60 "$findings/log.txt"
    echo "$target: finding, see $findings" >&2
    exit 1
  }
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done' "$findings/log.txt" || true
done
