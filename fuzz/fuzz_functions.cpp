// SPDX-License-Identifier: BSL-1.0
// Differential fuzzer: every way Tavik::remove, Tavik::remove_if, Tavik::sum
// and Tavik::display can take is run on the same input as a plain model, and
// any difference in a result or in the whole array stops the run.
//
// Input: one byte choosing the function (bits 0-1), how elements are read
// (bit 2: one signed byte each, converted, so that matches are frequent, or
// the element's own bytes, any bit pattern) and the element type (bits 3-6,
// int first), then the item (remove only), then the elements.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <type_traits>
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
  template <class T>
  T Next(bool wide) {
    if (!wide) return static_cast<T>(static_cast<std::int8_t>(Take<std::uint8_t>()));
    return Take<T>();
  }

 private:
  // The next sizeof(T) bytes as a T, zeros past the end.
  template <class T>
  T Take() {
    unsigned char bytes[sizeof(T)] = {};
    const std::size_t taken = std::min(size_, sizeof(T));
    std::memcpy(bytes, data_, taken);
    data_ += taken;
    size_ -= taken;
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }
  const std::uint8_t* data_;
  std::size_t size_;
};

// Bit for bit, so that NaNs compare equal and -0.0 differs from 0.0.
template <class T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

template <class T>
using RemovePath = T* (*)(T*, T*, T);

template <class T>
T* Public(T* begin, T* end, T item) {
  return Tavik::remove(begin, end, item);
}

// An int item given as a long long takes int's paths through its own door.
int* LongLongItem(int* begin, int* end, int item) {
  return Tavik::remove(begin, end, static_cast<long long>(item));
}

// remove on one path, and remove_if on one path with the predicate
// item == e, which must leave what remove leaves.
template <class T, Tavik::Path kPath>
T* RemoveOn(T* begin, T* end, T item) {
  return Tavik::detail::remove_on<Tavik::detail::Vacated::last_element>(kPath, begin, end,
                                                                        item);
}

template <class T, Tavik::Path kPath>
T* RemoveIfOn(T* begin, T* end, T item) {
  auto equal = [item](T& element) { return item == element; };
  return Tavik::detail::remove_if_on<Tavik::detail::Vacated::last_element>(kPath, begin,
                                                                           end, equal);
}

template <class T>
void FuzzRemove(const std::vector<T>& input, T item) {
  std::vector<T> expected = input;
  const auto expected_end =
      ShiftingRemove(expected.data(), expected.data() + expected.size(), item) -
      expected.data();
  using Tavik::Path;
  std::vector<RemovePath<T>> paths = {
      &Public<T>, &RemoveOn<T, Path::plain>, &RemoveOn<T, Path::blocks>,
      &RemoveIfOn<T, Path::plain>, &RemoveIfOn<T, Path::blocks>};
  if constexpr (std::is_same_v<T, int>) paths.push_back(&LongLongItem);
#if TAVIK_DETAIL_AVX2
  if (Tavik::detail::avx2_available()) {
    paths.push_back(&Tavik::detail::remove_avx2<T>);
    paths.push_back(&RemoveIfOn<T, Path::avx2>);
  }
#endif
#if TAVIK_DETAIL_NEON
  paths.push_back(&Tavik::detail::remove_neon<T>);
  paths.push_back(&RemoveIfOn<T, Path::neon>);
#endif
#if TAVIK_AVX512_PATHS
  if (Tavik::detail::avx512_available<T>()) {
    paths.push_back(&Tavik::detail::remove_avx512<T>);
    paths.push_back(&Tavik::detail::remove_avx512<T, Tavik::detail::Store::kept_lanes>);
    paths.push_back(&RemoveIfOn<T, Path::avx512>);
  }
#endif
  for (const RemovePath<T> remove : paths) {
    std::vector<T> actual = input;
    T* const begin = actual.data();
    Check(remove(begin, begin + actual.size(), item) - begin == expected_end,
          "remove: returned end");
    Check(SameBits(actual, expected), "remove: array");
  }
}

// Every path of an integer type adds modulo 2^N, so the total is the wide one
// wrapped, whatever the partial sums do.
template <class T>
void FuzzSum(const std::vector<T>& values) {
  std::uint64_t wide = 0;
  for (const T v : values) wide += static_cast<std::uint64_t>(v);
  const auto expected = static_cast<T>(static_cast<std::make_unsigned_t<T>>(wide));
  const T* const begin = values.data();
  const T* const end = begin + values.size();
  Check(Tavik::sum(begin, end) == expected, "sum");
  Check(Tavik::detail::sum_generic(begin, end) == expected, "sum: generic");
#if TAVIK_DETAIL_AVX2
  if (Tavik::detail::avx2_available()) {
    Check(Tavik::detail::sum_avx2(begin, end) == expected, "sum: avx2");
  }
#endif
#if TAVIK_DETAIL_NEON
  Check(Tavik::detail::sum_neon(begin, end) == expected, "sum: neon");
#endif
#if TAVIK_AVX512_PATHS
  if (Tavik::detail::avx512_available<T>()) {
    Check(Tavik::detail::sum_avx512(begin, end) == expected, "sum: avx512");
  }
#endif
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

template <class T>
void Fuzz(std::uint8_t mode, Input input) {
  const bool wide = (mode & 4) != 0;
  const T item = input.Next<T>(wide);
  std::vector<T> values;
  while (!input.empty()) values.push_back(input.Next<T>(wide));
  switch (mode & 3) {
    case 0:
    case 1: FuzzRemove(values, item); break;
    case 2:
      if constexpr (std::is_integral_v<T>) FuzzSum(values);
      break;
    default:
      if constexpr (std::is_same_v<T, int>) FuzzDisplay(values);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const Input input(data + 1, size - 1);
  switch ((mode >> 3) % 9) {
    case 0: Fuzz<int>(mode, input); break;
    case 1: Fuzz<std::int8_t>(mode, input); break;
    case 2: Fuzz<std::uint8_t>(mode, input); break;
    case 3: Fuzz<std::int16_t>(mode, input); break;
    case 4: Fuzz<std::uint16_t>(mode, input); break;
    case 5: Fuzz<unsigned>(mode, input); break;
    case 6: Fuzz<std::int64_t>(mode, input); break;
    case 7: Fuzz<float>(mode, input); break;
    default: Fuzz<double>(mode, input); break;
  }
  return 0;
}
