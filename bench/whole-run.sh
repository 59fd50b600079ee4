#!/usr/bin/env bash
# SPDX-License-Identifier: BSL-1.0
# Times a full driver-stress run against the floor program (the same
# allocations, draws and fills, no report), alternating the two so that both
# see the same machine, and prints the median wall-time ratio and both peak
# resident sizes.
#
#   bench/whole-run.sh DRIVER FLOOR [PAIRS]     (PAIRS defaults to 11)
set -euo pipefail
driver=$1 floor=$2 pairs=${3:-11}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run: wall time in microseconds to $2.times, peak RSS in KiB to $2.peak.
run() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/last" "$1" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000)) >>"$work/$2.times"
  cat "$work/last" >>"$work/$2.peak"
}

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run "$floor" warmup
run "$driver" warmup
for ((i = 0; i < pairs; i++)); do
  run "$floor" floor
  run "$driver" full
done

paste "$work/floor.times" "$work/full.times" | awk '{ print $2 / $1 }' >"$work/ratios"
ratio=$(median "$work/ratios")
floor_us=$(median "$work/floor.times")
full_us=$(median "$work/full.times")
floor_kib=$(sort -n "$work/floor.peak" | tail -1)
full_kib=$(sort -n "$work/full.peak" | tail -1)
awk -v q="$ratio" -v f="$floor_us" -v r="$full_us" -v fk="$floor_kib" -v rk="$full_kib" -v n="$pairs" 'BEGIN {
  printf "pairs            %d\n", n
  printf "floor median     %.1f ms\n", f / 1000
  printf "full run median  %.1f ms\n", r / 1000
  printf "median ratio     %.2f (full run / floor, pair by pair)\n", q
  printf "floor peak RSS   %.1f MiB\n", fk / 1024
  printf "full peak RSS    %.1f MiB\n", rk / 1024
  printf "peak difference  %.2f MiB\n", (rk - fk) / 1024
}'
