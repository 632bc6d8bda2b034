#!/usr/bin/env bash
# run-fuzzer.sh <fuzzer> <seed corpus> <work folder> <seconds>
# Runs one libFuzzer target for a bounded time on a copy of its seed corpus;
# fails (and keeps the crashing input in the work folder) on any finding.
set -u
fuzzer=$1 seeds=$2 work=$3 seconds=$4
rm -rf "$work"; mkdir -p "$work/corpus" "$work/artifacts"
[ -d "$seeds" ] && cp -r "$seeds"/. "$work/corpus/" 2>/dev/null
"$fuzzer" "$work/corpus" -max_total_time="$seconds" -artifact_prefix="$work/artifacts/" \
  -print_final_stats=1 -rss_limit_mb=2048 -max_len=4096 2>"$work/log"
status=$?
tail -n 15 "$work/log"
if [ $status -ne 0 ] || ls "$work/artifacts"/* >/dev/null 2>&1; then
  echo "fuzzer found a problem; inputs in $work/artifacts" >&2
  exit 1
fi
exit 0
