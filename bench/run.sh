#!/usr/bin/env bash
# SPDX-License-Identifier: BSL-1.0
# Measures the library and the whole program on this machine and writes the
# figures to build/release/bench/results.md and the growth plot to
# build/release/bench/remove-growth.png, beside the binaries it measured.
# Needs libbenchmark-dev, gnuplot-nox and time (Debian packages).
#
#   bench/run.sh [PAIRS]    (whole-run pairs, default 11)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-11}
build=build/release
results=$build/bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --preset release >/dev/null
cmake --build --preset release --target driver-stress floor functions_bench >/dev/null

echo "scenario 2 removals, absent values and sums: 11 interleaved repetitions" >&2
"$build/bench/functions_bench" --benchmark_filter='Scenario2|Absent|Sum' \
  --benchmark_repetitions=11 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_format=csv \
  2>/dev/null >"$work/ratios.csv"
echo "every element type: 3 interleaved repetitions" >&2
"$build/bench/functions_bench" --benchmark_filter='Grid|SumWidth' --benchmark_min_time=0.05 \
  --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_format=csv \
  2>/dev/null >"$work/types.csv"
echo "growth series" >&2
"$build/bench/functions_bench" --benchmark_filter='Growth' --benchmark_format=csv \
  2>/dev/null >"$work/growth.csv"
echo "whole run: $pairs alternating pairs" >&2
bench/whole-run.sh "$build/driver-stress" "$build/bench/floor" "$pairs" >"$work/whole-run.txt"

# The median real time of one benchmark, by its name without "_median" (and
# without "/manual_time", which Google Benchmark appends to those that time
# themselves).
median() {
  awk -F, -v name="$1_median" '{ n = $1; gsub(/"|\/manual_time/, "", n) } n == name { print $3 }' \
    "$work/ratios.csv"
}
ms() { printf "%.1f" "$(median "$1")"; }
ratio() { awk -v a="$(median "$1")" -v b="$(median "$2")" 'BEGIN { printf "%.2f", a / b }'; }

# One "n time" file per function, for the plot and the slope.
for f in TavikRemove StdRemove ShiftingModel; do
  awk -F, -v f="$f" '$1 ~ "^\"BM_RemoveGrowth<" f ">/" {
    n = $1; sub(/\/manual_time/, "", n); sub(/.*\//, "", n); sub(/"/, "", n); print n, $3 }' \
    "$work/growth.csv" >"$work/$f.dat"
done
# Least-squares slope of log(time) against log(n) over the larger half of the
# n each function is measured at (2^18 to 2^24 for the linear removals, 2^15
# to 2^17 for the model), where fixed per-call costs no longer matter: 1 is
# linear, 2 quadratic.
slope() {
  awk '{ n[NR] = log($1); t[NR] = log($2) } END {
    for (i = int(NR / 2) + 1; i <= NR; i++) { k++; sx += n[i]; sy += t[i]; sxx += n[i] * n[i]; sxy += n[i] * t[i] }
    printf "%.2f", (k * sxy - sx * sy) / (k * sxx - sx * sx) }' "$work/$1.dat"
}

gnuplot <<PLOT
set terminal pngcairo enhanced size 800,560
set output '$results/remove-growth.png'
set title 'One removal of 0 from n random values in -10..10'
set logscale x 2
set logscale y 10
set format y '10^{%L}'
set format x '2^{%L}'
set xlabel 'n (elements)'
set ylabel 'time per call (ns)'
set key top left
set grid
plot '$work/ShiftingModel.dat' with linespoints title 'shifting model', \
     '$work/StdRemove.dat' with linespoints title 'std::remove', \
     '$work/TavikRemove.dat' with linespoints title 'Tavik::remove'
PLOT

whole() {
  awk -v key="$1" 'index($0, key) == 1 { sub(key " *", ""); sub(/ \(.*/, ""); print; exit }' "$work/whole-run.txt"
}
{
  echo "Measured by \`bench/run.sh\` on $(date -u +%Y-%m-%d): $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores, $(uname -m)."
  echo "Microbenchmarks: medians of 11 interleaved repetitions; whole run: medians of $pairs alternating pairs."
  echo
  echo "| What | Figure | Target |"
  echo "|---|---|---|"
  echo "| scenario 2 removals: \`Tavik::remove\` / \`std::remove\` | $(ratio 'BM_RemoveScenario2<TavikRemove>/10000000' 'BM_RemoveScenario2<StdRemove>/10000000') | at most 0.5 |"
  echo "| scenario 2 removals: \`Tavik::remove\` / copy limit | $(ratio 'BM_RemoveScenario2<TavikRemove>/10000000' 'BM_Scenario2CopyLimit/10000000') | at most 1.2 with AVX-512 |"
  echo "| scenario 2 removals over 65,536 values, in cache: \`Tavik::remove\` / copy limit | $(ratio 'BM_RemoveScenario2<TavikRemove>/65536' 'BM_Scenario2CopyLimit/65536') | |"
  echo "| scenario 2 removals: through iterators / through pointers | $(ratio 'BM_RemoveScenario2<TavikRemoveIterators>/10000000' 'BM_RemoveScenario2<TavikRemove>/10000000') | within noise of 1 |"
  echo "| scenario 2 removals: as a range / through pointers | $(ratio 'BM_RemoveScenario2<TavikRemoveRange>/10000000' 'BM_RemoveScenario2<TavikRemove>/10000000') | within noise of 1 |"
  echo "| scenario 2 removals: generic / \`std::remove\` | $(ratio 'BM_RemoveScenario2<GenericRemove>/10000000' 'BM_RemoveScenario2<StdRemove>/10000000') | |"
  echo "| scenario 2 removals: blocks / \`std::remove\` | $(ratio 'BM_RemoveScenario2<BlocksRemove>/10000000' 'BM_RemoveScenario2<StdRemove>/10000000') | |"
  echo "| scenario 2 removals: \`Tavik::remove\`, \`std::remove\` | $(ms 'BM_RemoveScenario2<TavikRemove>/10000000') ms, $(ms 'BM_RemoveScenario2<StdRemove>/10000000') ms | |"
  echo "| absent value, 10,000,000: \`Tavik::remove\` / \`std::count\` | $(ratio 'BM_RemoveAbsent<TavikRemove>' 'BM_CountAbsent') | at most 1 |"
  echo "| sum of 10,000,000: \`Tavik::sum\` / \`std::reduce\` | $(ratio 'BM_Sum<TavikSum>/10000000' 'BM_Sum<Reduce>/10000000') | at most 1.05 |"
  echo "| sum of 10,000,000: \`Tavik::sum\` / \`std::accumulate\` | $(ratio 'BM_Sum<TavikSum>/10000000' 'BM_Sum<Accumulate>/10000000') | |"
  echo "| sum of 4,096: \`Tavik::sum\` / \`std::reduce\` | $(ratio 'BM_Sum<TavikSum>/4096' 'BM_Sum<Reduce>/4096') | |"
  echo "| growth, log-log slope: \`Tavik::remove\` | $(slope TavikRemove) | 1 (linear) |"
  echo "| growth, log-log slope: \`std::remove\` | $(slope StdRemove) | 1 (linear) |"
  echo "| growth, log-log slope: shifting model | $(slope ShiftingModel) | 2 (quadratic) |"
  echo "| full run / floor, median of pair ratios | $(whole 'median ratio') | at most 1.6 |"
  echo "| full run, floor (medians) | $(whole 'full run median'), $(whole 'floor median') | |"
  echo "| peak RSS: full run, floor | $(whole 'full peak RSS'), $(whole 'floor peak RSS') | within 4 MiB |"
  echo
  echo "One removal from n values of which 5% or 50% match: \`Tavik::remove\`'s time over the copy limit"
  echo "(a memmove of exactly the kept bytes by one place, then the fill of the places past the new end),"
  echo "over the copy limit with real destinations (each 64-byte block moved to where its kept elements go,"
  echo "then the fill), over \`std::remove\`'s and over the AVX2 path's; integer totals of 65,536 elements"
  echo "over \`std::reduce\`'s and the AVX2 path's. Each removal timed alone with a warm TLB. Medians of 3"
  echo "interleaved repetitions. Vector extensions: $(grep -o -w -E 'avx2|avx512f|avx512bw|avx512_vbmi2' /proc/cpuinfo | sort -u | paste -sd ' ')."
  echo
  awk -F, '
    # a over b, or "-" where b was not measured (no AVX2 here)
    function over(a, b) { return (b in t) ? sprintf("%.2f", t[a] / t[b]) : "-" }
    /_median"/ { name = $1; gsub(/"|_median|\/manual_time/, "", name); t[name] = $3 }
    END {
      split("int8 uint8 int16 int32 int64 float double", types, " ")
      split("65536/5 65536/50 1048576/5 1048576/50 10000000/5 10000000/50", cells, " ")
      print "| type | 2^16, 5% | 2^16, 50% | 2^20, 5% | 2^20, 50% | 10^7, 5% | 10^7, 50% |"
      print "|---|---|---|---|---|---|---|"
      for (i = 1; i in types; i++) {
        row = "| " types[i]
        for (j = 1; j in cells; j++) {
          base = "BM_RemoveGrid/" types[i]
          limit = t[base "/Tavik/" cells[j]] / t[base "/CopyLimit/" cells[j]]
          std = t[base "/Tavik/" cells[j]] / t[base "/Std/" cells[j]]
          row = row sprintf(" | %.2fx, %.2fx, %.2f, %s", limit, t[base "/Tavik/" cells[j]] / t[base "/CopyToPlace/" cells[j]], std, over(base "/Tavik/" cells[j], base "/Avx2/" cells[j]))
          logs += log(limit); n++
          if (limit > worst) worst = limit
          if (std > worst_std) worst_std = std
        }
        print row " |"
      }
      printf "\nCells: time over the copy limit, over the copy limit with real destinations, over `std::remove`, over the AVX2 path. Over the grid: geometric mean %.2fx the copy limit, at most %.2fx; at most %.2f of `std::remove`.\n\n", exp(logs / n), worst, worst_std
      split("int8 uint16 int32 int64", widths, " ")
      print "| total of 65,536 | `Tavik::sum` / `std::reduce` | `Tavik::sum` / AVX2 path |"
      print "|---|---|---|"
      for (i = 1; i in widths; i++) {
        base = "BM_SumWidth/" widths[i]
        printf "| %s | %.2f | %s |\n", widths[i], t[base "/Tavik"] / t[base "/Reduce"], over(base "/Tavik", base "/Avx2")
      }
    }' "$work/types.csv"
} >"$results/results.md"
cat "$results/results.md"
echo "written: $results/results.md, $results/remove-growth.png" >&2
