// Tavik::remove and Tavik::sum against the standard algorithms and against
// the shifting model, on the driver's own work and as growth series over n.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <span>
#include <vector>

#include <tavik/Functions.h>
#include "shifting_remove.h"

namespace {

constexpr int kScenarioSize = 10'000'000;
constexpr int kLowest = -10;
constexpr int kHighest = 10;

// Values from -10 to 10 drawn as the driver draws them.
const std::vector<int>& RandomValues(std::size_t size) {
  static std::vector<int> values;
  if (values.size() < size) {
    std::srand(0);
    values.resize(size);
    for (int& v : values) v = kLowest + std::rand() % (kHighest - kLowest + 1);
  }
  return values;
}

int* TavikRemove(int* begin, int* end, int item) {
  return Tavik::remove(begin, end, item);
}
// The same removal through a contiguous container's iterators and as a
// range: span's iterator is a class, as vector's is, not a pointer.
int* TavikRemoveIterators(int* begin, int* end, int item) {
  const std::span<int> range(begin, end);
  return begin + (Tavik::remove(range.begin(), range.end(), item) - range.begin());
}
int* TavikRemoveRange(int* begin, int* end, int item) {
  const std::span<int> range(begin, end);
  return begin + (Tavik::remove(range, item) - range.begin());
}
int* StdRemove(int* begin, int* end, int item) { return std::remove(begin, end, item); }
int* GenericRemove(int* begin, int* end, int item) {
  return Tavik::detail::remove_generic(begin, end, item);
}
int* BranchlessRemove(int* begin, int* end, int item) {
  return Tavik::detail::remove_branchless(begin, end, item);
}
int* ShiftingModel(int* begin, int* end, int item) {
  return ShiftingRemove(begin, end, item);
}

using Remove = int* (*)(int*, int*, int);

// Puts the source's first values back into work, off the clock.
void Refill(benchmark::State& state, const std::vector<int>& source,
            std::vector<int>& work) {
  state.PauseTiming();
  std::copy_n(source.begin(), work.size(), work.begin());
  state.ResumeTiming();
}

// Scenario 2's removals: every value from -10 to 10 in turn, each on what
// the previous one left, over 10,000,000 random values.
template <Remove remove>
void BM_RemoveScenario2(benchmark::State& state) {
  const std::vector<int>& source = RandomValues(kScenarioSize);
  std::vector<int> work(kScenarioSize);
  for (auto _ : state) {
    Refill(state, source, work);
    int* const begin = work.data();
    int* end = begin + kScenarioSize;
    for (int value = kLowest; value <= kHighest; ++value) {
      end = remove(begin, end, value);
    }
    benchmark::DoNotOptimize(end);
  }
}

// One removal of 0 from n random values: about n / 21 matches spread evenly.
template <Remove remove>
void BM_RemoveGrowth(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::vector<int>& source = RandomValues(size);
  std::vector<int> work(size);
  for (auto _ : state) {
    Refill(state, source, work);
    benchmark::DoNotOptimize(remove(work.data(), work.data() + size, 0));
  }
}

// A value that never occurs: removal then only reads, and should cost no
// more than counting the value.
template <Remove remove>
void BM_RemoveAbsent(benchmark::State& state) {
  std::vector<int> values = RandomValues(kScenarioSize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        remove(values.data(), values.data() + kScenarioSize, kHighest + 1));
  }
}

void BM_CountAbsent(benchmark::State& state) {
  const std::vector<int>& values = RandomValues(kScenarioSize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::count(values.begin(), values.end(), kHighest + 1));
  }
}

BENCHMARK(BM_RemoveAbsent<TavikRemove>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountAbsent)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RemoveScenario2<TavikRemove>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveScenario2<TavikRemoveIterators>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveScenario2<TavikRemoveRange>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveScenario2<StdRemove>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveScenario2<GenericRemove>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveScenario2<BranchlessRemove>)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RemoveGrowth<TavikRemove>)->RangeMultiplier(2)->Range(1 << 12, 1 << 24);
BENCHMARK(BM_RemoveGrowth<StdRemove>)->RangeMultiplier(2)->Range(1 << 12, 1 << 24);
BENCHMARK(BM_RemoveGrowth<ShiftingModel>)->RangeMultiplier(2)->Range(1 << 12, 1 << 17);

int TavikSum(const int* begin, const int* end) { return Tavik::sum(begin, end); }
int GenericSum(const int* begin, const int* end) {
  return Tavik::detail::sum_generic(begin, end);
}
int Accumulate(const int* begin, const int* end) {
  return std::accumulate(begin, end, 0);
}
int Reduce(const int* begin, const int* end) { return std::reduce(begin, end, 0); }

using Sum = int (*)(const int*, const int*);

template <Sum sum>
void BM_Sum(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::vector<int>& values = RandomValues(size);
  for (auto _ : state) {
    benchmark::DoNotOptimize(sum(values.data(), values.data() + size));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(size * sizeof(int)));
}

BENCHMARK(BM_Sum<TavikSum>)->Arg(1 << 12)->Arg(kScenarioSize);
BENCHMARK(BM_Sum<GenericSum>)->Arg(1 << 12)->Arg(kScenarioSize);
BENCHMARK(BM_Sum<Accumulate>)->Arg(1 << 12)->Arg(kScenarioSize);
BENCHMARK(BM_Sum<Reduce>)->Arg(1 << 12)->Arg(kScenarioSize);

}  // namespace

BENCHMARK_MAIN();
