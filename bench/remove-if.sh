#!/usr/bin/env bash
# SPDX-License-Identifier: BSL-1.0
# Tavik::remove_if against std::remove_if (bench/functions_bench's
# BM_RemoveIf, which times the two side by side and gives the median of
# their ratios) in every configuration a user may build: -O3 (the release
# preset) and -O2; with the AVX-512 paths and without them
# (TAVIK_AVX512_PATHS=0, so that an AVX-512 processor takes AVX2); in the
# compiled form (functions_bench) and header-only (functions_bench_header_only).
# Each configuration is built in build/bench-remove-if/, and each binary runs
# REPETITIONS repetitions (default 5). Prints a table per element type: the
# median over the repetitions of Tavik's time over std's.
#   bench/remove-if.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-5}
builds=build/bench-remove-if
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

declare -A level_flags=([O3]="-O3 -DNDEBUG" [O2]="-O2 -DNDEBUG")
declare -A paths_flags=([avx512]="" [avx2]="-DTAVIK_AVX512_PATHS=0")
for level in O3 O2; do
  for paths in avx512 avx2; do
    dir=$builds/$level-$paths
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      "-DCMAKE_CXX_FLAGS_RELEASE=${level_flags[$level]}" \
      "-DCMAKE_CXX_FLAGS=${paths_flags[$paths]}" >/dev/null
    cmake --build "$dir" --target functions_bench functions_bench_header_only >/dev/null
    for form in compiled header-only; do
      binary=$dir/bench/functions_bench
      [[ $form == header-only ]] && binary+=_header_only
      echo "$level, $paths, $form" >&2
      "$binary" --benchmark_filter='BM_RemoveIf' --benchmark_min_time=0.05 \
        --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
        --benchmark_format=csv 2>/dev/null |
        awk -F, -v config="$level $paths $form" '$1 ~ /_median"$/ {
          name = $1; gsub(/"|\/manual_time|_median/, "", name); print config, name, $(NF - 1) }' \
          >>"$work/medians"
    done
  done
done

# One row per configuration and predicate, one column per n: Tavik / std.
awk '{ split($4, part, "/")
       printf "%s %s %s|%s|%s|%s %.2f\n", $1, $2, $3, part[2], part[3], part[4], $5 }' \
  "$work/medians" | sort >"$work/ratios"
for type in $(cut -d'|' -f2 "$work/ratios" | sort -u); do
  echo
  echo "$type: Tavik::remove_if / std::remove_if, median of $repetitions"
  echo
  echo "| build | paths | form | predicate | 2^16 | 2^20 | 10^7 |"
  echo "|---|---|---|---|---|---|---|"
  awk -F'|' -v type="$type" '$2 == type {
      split($1, config, " "); split($4, n_ratio, " ")
      row = "| -" config[1] " | " config[2] " | " config[3] " | " $3
      cell[row, n_ratio[1]] = n_ratio[2]; rows[row] = 1 }
    END { for (row in rows) print row " | " cell[row, 65536] " | " cell[row, 1048576] " | " cell[row, 10000000] " |" }' \
    "$work/ratios" | sort
done
