// SPDX-License-Identifier: BSL-1.0
// A user's file built with strict warnings as errors: every public form for
// every element type with a vector path, and for types without one. Any
// warning here points into the header. min and max are function-like macros
// by then, as <windows.h> defines them after the standard headers (which
// cannot take them: every one the header includes comes first).
#include <algorithm>
#include <array>
#include <bit>
#include <concepts>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <list>
#include <memory>
#include <ostream>
#include <ranges>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#define min(a, b) MIN_IS_A_MACRO
#define max(a, b) MAX_IS_A_MACRO
#include <tavik/Functions.h>
#undef min
#undef max

// The header keeps its own macros to itself.
#if defined(TAVIK_DETAIL_BEGIN_NAMESPACE) || defined(TAVIK_DETAIL_HEX) || \
    defined(TAVIK_DETAIL_AVX2_TARGET) || defined(TAVIK_DETAIL_KERNEL)
#error "<tavik/Functions.h> leaves its own macros defined"
#endif

// clang 14 cannot compile libstdc++ 12's views.
#if defined(__clang__) && __clang_major__ < 15
#define VIEWS_COMPILE 0
#else
#define VIEWS_COMPILE 1
#endif

namespace {

template <class T>
void UseEveryForm(T item) {
  std::vector<T> values(40, item);
  T* const data = values.data();
  std::ostringstream out;
  const T* const kept = Tavik::remove(data, data + values.size(), item);
  values.erase(values.begin() + (kept - data), values.end());
  values.erase(Tavik::remove(values.begin(), values.end(), item), values.end());
  values.erase(Tavik::remove(values, item), values.end());
  Tavik::erase(values, item);
  const auto equal = [item](const T& element) { return element == item; };
  const T* const kept_if = Tavik::remove_if(data, data + values.size(), equal);
  values.erase(values.begin() + (kept_if - data), values.end());
  values.erase(Tavik::remove_if(values.begin(), values.end(), equal), values.end());
  values.erase(Tavik::remove_if(values, equal), values.end());
  Tavik::erase_if(values, equal);
  out << Tavik::sum(data, data + values.size())
      << Tavik::sum(values.cbegin(), values.cend()) << Tavik::sum(values);
  Tavik::display(out, values.begin(), values.end());
  Tavik::display(out, values);
#if VIEWS_COMPILE
  Tavik::display(out, values | std::views::take(2));
#endif
}

}  // namespace

int main() {
  UseEveryForm<std::int8_t>(1);
  UseEveryForm<std::uint8_t>(1);
  UseEveryForm<std::int16_t>(1);
  UseEveryForm<std::uint16_t>(1);
  UseEveryForm<std::int32_t>(1);
  UseEveryForm<std::uint32_t>(1);
  UseEveryForm<std::int64_t>(1);
  UseEveryForm<std::uint64_t>(1);
  UseEveryForm<float>(1);
  UseEveryForm<double>(1);
  UseEveryForm<std::string>("a");
#if defined(__SIZEOF_INT128__)
  __extension__ using Int128 = __int128;
  const std::vector<Int128> wide = {1, 2};
  if (Tavik::sum(wide) != 3) return 1;
#endif
  // Items of another type compare as the caller's own == would.
  std::vector<double> doubles = {1.0, 2.0};
  std::vector<float> floats = {1.0F, 2.0F};
  std::vector<unsigned> unsigneds = {1, 2};
  Tavik::erase(doubles, 1.0F);
  Tavik::erase(floats, 1);
  Tavik::erase(unsigneds, -1);
  // Move-only elements and records take the blocks path.
  std::vector<std::unique_ptr<int>> owners(3);
  Tavik::erase_if(owners, [](const std::unique_ptr<int>& owner) { return !owner; });
  std::vector<std::pair<int, float>> pairs = {{1, 1.0F}, {2, 2.0F}};
  Tavik::erase(pairs, std::pair{1, 1.0F});
  Tavik::display(std::list<int>{1, 2});
#if VIEWS_COMPILE
  Tavik::display(std::views::iota(0, 3LL));
#endif
}
