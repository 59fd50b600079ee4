#!/usr/bin/env bash
# SPDX-License-Identifier: BSL-1.0
# Tavik::remove_if against std::remove_if, and Tavik::erase_if against
# std::erase_if (bench/functions_bench's BM_RemoveIf and BM_EraseIf, which
# time the two side by side and give the median of their ratios), in every
# configuration a user may build: -O3 (the release preset) and -O2; with the
# AVX-512 paths and without them (TAVIK_AVX512_PATHS=0, so that an AVX-512
# processor takes AVX2); in the compiled form (functions_bench) and
# header-only (functions_bench_header_only). Numbers are timed at 2^16, 2^20
# and 10^7 elements in every configuration; the other element types
# (records, pairs, pointers, strings, smart pointers, log lines), at 2^16 and
# 2^20, at -O3 and -O2 in the compiled form with the AVX-512 paths: the
# blocks path they take is the header's own code in either form, and
# TAVIK_AVX512_PATHS changes nothing of it. Each configuration is built in
# build/bench-remove-if/, and each binary runs REPETITIONS repetitions
# (default 5). Prints a table per function and element type: the median over
# the repetitions of Tavik's time over std's; the medians themselves are kept
# in build/bench-remove-if/medians.
#   bench/remove-if.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-5}
builds=build/bench-remove-if
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$builds"
: >"$builds/medians"

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
      filter='BM_RemoveIf/(int|uint|float|double)[0-9]*/'
      [[ $paths == avx512 && $form == compiled ]] && filter='BM_(RemoveIf|EraseIf)/'
      binary=$dir/bench/functions_bench
      [[ $form == header-only ]] && binary+=_header_only
      echo "$level, $paths, $form" >&2
      "$binary" --benchmark_filter="$filter" --benchmark_min_time=0.05 \
        --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
        --benchmark_format=csv 2>/dev/null |
        awk -F, -v config="$level $paths $form" '$1 ~ /_median"$/ {
          name = $1; gsub(/"|\/manual_time|\/iterations:[0-9]+|_median/, "", name)
          print config, name, $(NF - 1) }' >>"$builds/medians"
    done
  done
done

# One row per configuration and density, one column per n: Tavik / std.
awk '{ split($4, part, "/")
       printf "%s %s %s|%s|%s|%s|%s %.2f\n", $1, $2, $3, part[1], part[2], part[3], part[4], $5 }' \
  "$builds/medians" | sort >"$work/ratios"
while IFS='|' read -r function type; do
  case $function in
    BM_EraseIf) against="Tavik::erase_if / std::erase_if" ;;
    *) against="Tavik::remove_if / std::remove_if" ;;
  esac
  echo
  echo "$type: $against, median of $repetitions"
  echo
  echo "| build | paths | form | removed | 2^16 | 2^20 | 10^7 |"
  echo "|---|---|---|---|---|---|---|"
  awk -F'|' -v fn="$function" -v type="$type" '$2 == fn && $3 == type {
      split($1, config, " "); split($5, n_ratio, " ")
      row = "| -" config[1] " | " config[2] " | " config[3] " | " $4
      cell[row, n_ratio[1]] = n_ratio[2]; rows[row] = 1 }
    END { for (row in rows) {
            line = row
            for (i = 1; i <= 3; ++i) {
              n = i == 1 ? 65536 : i == 2 ? 1048576 : 10000000
              line = line " | " ((row, n) in cell ? cell[row, n] : "")
            }
            print line " |" } }' "$work/ratios" | sort
done < <(cut -d'|' -f2,3 "$work/ratios" | sort -u)
