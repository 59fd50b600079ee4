// Differential fuzzer: every way Tavik::remove, Tavik::sum and Tavik::display
// can take is run on the same input as a plain model, and any difference in a
// result or in the whole array stops the run.
//
// Input: one byte choosing the function and how elements are read (one
// signed byte each, so that matches are frequent, or four bytes each), then
// the item (remove only), then the elements.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <tavik/Functions.h>
#include "shifting_remove.h"

namespace {

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "mismatch: %s\n", what);
  std::abort();
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return size_ == 0; }
  int Next(bool wide) {
    if (!wide) return static_cast<std::int8_t>(Take(1));
    return static_cast<int>(Take(4));
  }

 private:
  std::uint32_t Take(std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes && size_ > 0; ++i, ++data_, --size_) {
      value |= static_cast<std::uint32_t>(*data_) << (8 * i);
    }
    return value;
  }
  const std::uint8_t* data_;
  std::size_t size_;
};

using RemovePath = int* (*)(int*, int*, int);

int* Public(int* begin, int* end, int item) { return Tavik::remove(begin, end, item); }

void FuzzRemove(const std::vector<int>& input, int item) {
  std::vector<int> expected = input;
  const auto expected_end =
      ShiftingRemove(expected.data(), expected.data() + expected.size(), item) -
      expected.data();
  std::vector<RemovePath> paths = {&Public, &Tavik::detail::remove_generic<int>,
                                   &Tavik::detail::remove_branchless<int>};
#if TAVIK_AVX2_PATHS
  if (Tavik::detail::avx2_available()) paths.push_back(&Tavik::detail::remove_avx2<int>);
#endif
  for (const RemovePath remove : paths) {
    std::vector<int> actual = input;
    int* const begin = actual.data();
    Check(remove(begin, begin + actual.size(), item) - begin == expected_end,
          "remove: returned end");
    Check(actual == expected, "remove: array");
  }
}

template <class T>
void CheckSums(std::vector<T> values, T expected) {
  T* const begin = values.data();
  T* const end = begin + values.size();
  Check(Tavik::sum(begin, end) == expected, "sum");
  Check(Tavik::detail::sum_generic(begin, end) == expected, "sum: generic");
#if TAVIK_AVX2_PATHS
  if (Tavik::detail::avx2_available()) {
    Check(Tavik::detail::sum_avx2(begin, end) == expected, "sum: avx2");
  }
#endif
}

// Every path adds modulo 2^32, so the total is the wide one wrapped, whatever
// the partial sums do.
void FuzzSum(const std::vector<int>& input) {
  std::int64_t wide = 0;
  for (const int v : input) wide += v;
  const auto wrapped = static_cast<std::uint32_t>(wide);
  CheckSums(input, static_cast<int>(wrapped));
  CheckSums(std::vector<unsigned>(input.begin(), input.end()), unsigned{wrapped});
}

void FuzzDisplay(const std::vector<int>& input) {
  std::string expected;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (i != 0) expected += ", ";
    expected += std::to_string(input[i]);
  }
  expected += '\n';
  std::ostringstream line;
  std::streambuf* const saved = std::cout.rdbuf(line.rdbuf());
  std::vector<int> values = input;
  Tavik::display(values.data(), values.data() + values.size());
  std::cout.rdbuf(saved);
  Check(line.str() == expected, "display");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const bool wide = (mode & 4) != 0;
  Input input(data + 1, size - 1);
  const int item = input.Next(wide);
  std::vector<int> values;
  while (!input.empty()) values.push_back(input.Next(wide));
  switch (mode & 3) {
    case 0:
    case 1: FuzzRemove(values, item); break;
    case 2: FuzzSum(values); break;
    default: FuzzDisplay(values); break;
  }
  return 0;
}
