// SPDX-License-Identifier: BSL-1.0
// The part of a full driver-stress run that no implementation can skip: the
// same allocations, the same 10,000,100 rand() draws and the same fills, and
// no report. bench/whole-run.sh times the real run against it.
#include <cstddef>
#include <cstdlib>
#include <memory>

namespace {

// Keeps the compiler from dropping stores that nothing reads afterwards.
void Keep(const int* array) { asm volatile("" : : "r"(array) : "memory"); }

void FillRandom(std::size_t size, int low, int high) {
  const auto array = std::make_unique_for_overwrite<int[]>(size);
  for (std::size_t i = 0; i < size; ++i) array[i] = low + std::rand() % (high - low + 1);
  Keep(array.get());
}

}  // namespace

int main() {
  std::srand(0);
  FillRandom(100, 1, 9);
  FillRandom(10'000'000, -10, 10);
  const auto fixed = std::make_unique_for_overwrite<int[]>(10'000'000);
  for (std::size_t i = 0; i < 10'000'000; ++i) fixed[i] = 1;
  for (std::size_t i = 1; i < 10'000'000; i *= 10) fixed[i] = 5;
  Keep(fixed.get());
}
