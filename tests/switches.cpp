// SPDX-License-Identifier: BSL-1.0
// Built twice, with the vector paths switched off (SWITCHES_OFF) and with
// the build's own switches, and linked into one program in either order:
// each object must take and report the paths its own switches allow.
#include <tavik/Functions.h>

#include <iostream>

// What this file's remove over int takes and reports, and what its switches
// and the processor allow.
struct Seen {
  Tavik::Path reported;
  Tavik::Path expected;
  bool removed;  // whether a removal here left what shifting would
};

static Seen SeenHere() {
  Tavik::Path expected = Tavik::Path::blocks;
#if TAVIK_DETAIL_NEON
  expected = Tavik::Path::neon;
#elif TAVIK_DETAIL_AVX2
  if (__builtin_cpu_supports("avx2")) expected = Tavik::Path::avx2;
#if TAVIK_AVX512_PATHS
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("bmi2")) {
    expected = Tavik::Path::avx512;
  }
#endif
#endif
  int values[] = {1, 2, 1, 3, 1, 1, 4, 1, 5, 1, 6, 1, 7, 1, 8, 1, 9, 1, 1};
  int* const end = Tavik::remove(values, values + 19, 1);
  const int kept[] = {2, 3, 4, 5, 6, 7, 8, 9};
  bool removed = end == values + 8;
  for (int i = 0; removed && i < 8; ++i) removed = values[i] == kept[i];
  return {Tavik::remove_path<int>(), expected, removed};
}

#if defined(SWITCHES_OFF)
Seen SeenWithoutVectorPaths() { return SeenHere(); }
Seen SeenWithDefaultSwitches();

int main() {
  int failures = 0;
  const auto check = [&](const char* file, Seen seen) {
    std::cout << file << ": takes " << seen.reported << ", expected " << seen.expected
              << (seen.removed ? ", removes right\n" : ", removes WRONG\n");
    failures += seen.reported != seen.expected || !seen.removed;
  };
  check("vector paths off", SeenWithoutVectorPaths());
  check("default switches", SeenWithDefaultSwitches());
  return failures;
}
#else
Seen SeenWithDefaultSwitches() { return SeenHere(); }
#endif
