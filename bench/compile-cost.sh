#!/usr/bin/env bash
# SPDX-License-Identifier: BSL-1.0
# What a user's file costs to compile: a file that calls Tavik::remove, sum
# and display on a std::vector<int>, in the compiled form
# (TAVIK_COMPILED_KERNELS=1) and the header-only one, against its twin
# written with std::remove, std::reduce and a stream loop. The two are
# compiled alternately, PAIRS times (default 7), by g++ and clang at -O0 and
# -O2; the table gives the median of the pairs' ratios of CPU time (user and
# system) and the median CPU times.
#   bench/compile-cost.sh [PAIRS]
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/tavik.cpp" <<'CPP'
#include <tavik/Functions.h>

#include <vector>

int main() {
  std::vector<int> values = {3, 1, 4, 1, 5};
  values.erase(Tavik::remove(values, 1), values.end());
  Tavik::display(values);
  return Tavik::sum(values) == 12 ? 0 : 1;
}
CPP
cat >"$work/std.cpp" <<'CPP'
#include <algorithm>
#include <iostream>
#include <numeric>
#include <vector>

int main() {
  std::vector<int> values = {3, 1, 4, 1, 5};
  values.erase(std::remove(values.begin(), values.end(), 1), values.end());
  for (auto p = values.begin(); p != values.end();) {
    std::cout << *p;
    if (++p != values.end()) std::cout << ", ";
  }
  std::cout << std::endl;
  return std::reduce(values.begin(), values.end()) == 12 ? 0 : 1;
}
CPP

# The CPU seconds, user and system, of one command.
cpu_seconds() {
  local TIMEFORMAT='%3U %3S'
  { time "$@" >/dev/null 2>&1; } 2>"$work/time"
  awk '{ print $1 + $2 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "| compiler | level | form | Tavik / std, median of $pairs pairs | Tavik, std: median CPU seconds |"
echo "|---|---|---|---|---|"
for cxx in g++ clang++-14; do
  for level in 0 2; do
    for form in compiled header-only; do
      defines=()
      [[ $form == compiled ]] && defines=(-DTAVIK_COMPILED_KERNELS=1)
      : >"$work/ratios"
      : >"$work/tavik-times"
      : >"$work/std-times"
      cpu_seconds "$cxx" -std=c++20 -O"$level" -Isrc "${defines[@]}" -c "$work/tavik.cpp" \
        -o "$work/tavik.o" >/dev/null # warm the caches
      for ((pair = 0; pair < pairs; pair++)); do
        tavik=$(cpu_seconds "$cxx" -std=c++20 -O"$level" -Isrc "${defines[@]}" \
          -c "$work/tavik.cpp" -o "$work/tavik.o")
        std=$(cpu_seconds "$cxx" -std=c++20 -O"$level" -c "$work/std.cpp" -o "$work/std.o")
        echo "$tavik" >>"$work/tavik-times"
        echo "$std" >>"$work/std-times"
        awk -v t="$tavik" -v s="$std" 'BEGIN { print t / s }' >>"$work/ratios"
      done
      printf '| %s | -O%s | %s | %.2f | %s, %s |\n' "$cxx" "$level" "$form" \
        "$(median <"$work/ratios")" "$(median <"$work/tavik-times")" \
        "$(median <"$work/std-times")"
    done
  done
done
