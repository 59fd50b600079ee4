#!/usr/bin/env bash
# SPDX-License-Identifier: BSL-1.0
# What a user's file costs to compile: a file that calls Tavik::remove (or
# Tavik::erase_if), sum and display on a std::vector<int>, in the compiled
# form (TAVIK_COMPILED_KERNELS=1) and the header-only one, against its twin
# written with std::remove (std::remove_if), std::reduce and a stream loop.
# The two are compiled alternately, PAIRS times (default 7), by g++ and
# clang at -O0 and -O2; the table gives the median of the pairs' ratios of
# CPU time (user and system) and the median CPU times.
#   bench/compile-cost.sh [PAIRS]
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each file's removal, in Tavik's words and in std's.
declare -A tavik_removal=(
  [remove]='values.erase(Tavik::remove(values, 1), values.end());'
  [remove_if]='Tavik::erase_if(values, [](int v) { return v < 2; });')
declare -A std_removal=(
  [remove]='values.erase(std::remove(values.begin(), values.end(), 1), values.end());'
  [remove_if]='values.erase(std::remove_if(values.begin(), values.end(), [](int v) { return v < 2; }), values.end());')
for removal in remove remove_if; do
  cat >"$work/tavik_$removal.cpp" <<CPP
#include <tavik/Functions.h>

#include <vector>

int main() {
  std::vector<int> values = {3, 1, 4, 1, 5};
  ${tavik_removal[$removal]}
  Tavik::display(values);
  return Tavik::sum(values) == 12 ? 0 : 1;
}
CPP
  cat >"$work/std_$removal.cpp" <<CPP
#include <algorithm>
#include <iostream>
#include <numeric>
#include <vector>

int main() {
  std::vector<int> values = {3, 1, 4, 1, 5};
  ${std_removal[$removal]}
  for (auto p = values.begin(); p != values.end();) {
    std::cout << *p;
    if (++p != values.end()) std::cout << ", ";
  }
  std::cout << std::endl;
  return std::reduce(values.begin(), values.end()) == 12 ? 0 : 1;
}
CPP
done

# The CPU seconds, user and system, of one command.
cpu_seconds() {
  local TIMEFORMAT='%3U %3S'
  { time "$@" >/dev/null 2>&1; } 2>"$work/time"
  awk '{ print $1 + $2 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "| file | compiler | level | form | Tavik / std, median of $pairs pairs | Tavik, std: median CPU seconds |"
echo "|---|---|---|---|---|---|"
for removal in remove remove_if; do
  for cxx in g++ clang++-14; do
    for level in 0 2; do
      for form in compiled header-only; do
        defines=()
        [[ $form == compiled ]] && defines=(-DTAVIK_COMPILED_KERNELS=1)
        : >"$work/ratios"
        : >"$work/tavik-times"
        : >"$work/std-times"
        tavik_file=("$work/tavik_$removal.cpp" -o "$work/tavik.o")
        std_file=("$work/std_$removal.cpp" -o "$work/std.o")
        cpu_seconds "$cxx" -std=c++20 -O"$level" -Isrc "${defines[@]}" -c "${tavik_file[@]}" \
          >/dev/null # warm the caches
        for ((pair = 0; pair < pairs; pair++)); do
          tavik=$(cpu_seconds "$cxx" -std=c++20 -O"$level" -Isrc "${defines[@]}" \
            -c "${tavik_file[@]}")
          std=$(cpu_seconds "$cxx" -std=c++20 -O"$level" -c "${std_file[@]}")
          echo "$tavik" >>"$work/tavik-times"
          echo "$std" >>"$work/std-times"
          awk -v t="$tavik" -v s="$std" 'BEGIN { print t / s }' >>"$work/ratios"
        done
        printf '| %s | %s | -O%s | %s | %.2f | %s, %s |\n' "$removal" "$cxx" "$level" "$form" \
          "$(median <"$work/ratios")" "$(median <"$work/tavik-times")" \
          "$(median <"$work/std-times")"
      done
    done
  done
done
