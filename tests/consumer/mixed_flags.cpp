// SPDX-License-Identifier: BSL-1.0
// Built twice into one program: once with instruction sets beyond the
// baseline (ELSEWHERE), a function the program never calls, and once
// without, with main. On a processor without those instruction sets the
// program must meet none of them, in either link order and either form.
#include <tavik/Functions.h>

#include <cstdio>

#if defined(ELSEWHERE)
int Elsewhere(int* values, int count) {
  int* end = Tavik::remove(values, values + count, 1);
  end = Tavik::remove_if(values, end, [](int x) { return x == 2; });
  return Tavik::sum(values, end);
}
#else
int main() {
  constexpr int kCount = 300;
  int values[kCount];
  for (int i = 0; i < kCount; ++i) values[i] = i % 5;
  int* end = Tavik::remove(values, values + kCount, 1);
  end = Tavik::remove_if(values, end, [](int x) { return x == 2; });
  std::printf("%d %d\n", static_cast<int>(end - values), Tavik::sum(values, end));
}
#endif
