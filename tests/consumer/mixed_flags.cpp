// SPDX-License-Identifier: BSL-1.0
// Built twice into one program: once with instruction sets beyond the
// baseline (ELSEWHERE), a function the program never calls, and once
// without, with main. On a processor without those instruction sets the
// program must meet none of them, in either link order, either form and at
// any optimisation: each element type's removals and totals are the same
// code to the linker in both files, the header's and the standard
// library's templates it instantiates included.
#include <tavik/Functions.h>

#include <cstdio>

// Eight bytes with no vector path.
struct Record {
  int key;
  float weight;
};

namespace {

constexpr int kCount = 300;

// Removes the 1s and then the 2s from 0, 1, 2, 3, 4, 0, 1, ... and writes
// how many are left and their total.
template <class T>
void Work(T (&values)[kCount]) {
  for (int i = 0; i < kCount; ++i) values[i] = static_cast<T>(i % 5);
  T* end = Tavik::remove(values, values + kCount, T{1});
  end = Tavik::remove_if(values, end, [](T x) { return x == T{2}; });
  std::printf(" %d %lld", static_cast<int>(end - values),
              static_cast<long long>(Tavik::sum(values, end)));
}

void Work(Record (&records)[kCount]) {
  for (int i = 0; i < kCount; ++i) records[i] = {i % 5, 0.5F};
  Record* end = Tavik::remove_if(records, records + kCount, [](const Record& r) {
    return r.key == 1 || r.key == 2;
  });
  long long total = 0;
  for (const Record* r = records; r != end; ++r) total += r->key;
  std::printf(" %d %lld", static_cast<int>(end - records), total);
}

template <class... T>
void WorkOnEach(T&... values) {
  (Work(values), ...);
  std::printf("\n");
}

}  // namespace

#if defined(ELSEWHERE)
void Elsewhere() {
#else
int main() {
#endif
  int ints[kCount];
  long long longs[kCount];
  float floats[kCount];
  double doubles[kCount];
  Record records[kCount];
  WorkOnEach(ints, longs, floats, doubles, records);
}
