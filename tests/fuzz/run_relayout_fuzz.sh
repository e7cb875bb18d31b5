#!/bin/sh
# Runs the template-walk fuzzer for a bounded time from the two compiled
# templates, and fails on any crash, sanitizer report or time-out.
# usage: run_relayout_fuzz.sh SEED_WRITER FUZZER WORK_FOLDER SECONDS
set -eu
writer="$1" fuzzer="$2" work="$3" seconds="$4"
rm -rf "$work"
mkdir -p "$work/corpus" "$work/seeds"
"$writer" "$work/seeds"
cd "$work"
# -timeout: an input that takes over 5 s counts as a hang.
"$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    corpus seeds 2>fuzz.log || { tail -n 60 fuzz.log; exit 1; }
grep -E "stat::number_of_executed_units|stat::peak_rss_mb|INITED|DONE" fuzz.log || true
echo "corpus: $(ls corpus | wc -l) inputs"
