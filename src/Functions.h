// Generic range algorithms over contiguous arrays: total, in-place removal
// and one-line display. They keep no state and allocate nothing.
#ifndef TAVIK_FUNCTIONS_H
#define TAVIK_FUNCTIONS_H

#include <algorithm>
#include <array>
#include <concepts>
#include <cstdint>
#include <iostream>
#include <ostream>
#include <type_traits>

// Vector paths, chosen at run time, on x86-64 with GCC or Clang only. Always
// defined, to 0 or 1, so that -Wundef catches a misspelt test of it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TAVIK_AVX2_PATHS 1
#else
#define TAVIK_AVX2_PATHS 0
#endif

namespace Tavik {

template <class T>
concept Summable = std::copyable<T> && std::default_initializable<T> &&
    requires(const T& a, const T& b) {
  { a + b } -> std::convertible_to<T>;
};

template <class T>
concept Removable = std::copyable<T> && requires(const T& a, const T& b) {
  { a == b } -> std::convertible_to<bool>;
};

template <class It>
concept Displayable = std::copyable<It> && requires(It it, std::ostream& os) {
  { it != it } -> std::convertible_to<bool>;
  ++it;
  it - 1;
  os << *it;
};

namespace detail {

// The one definition of what sum does.
template <Summable T>
constexpr T sum_generic(T* begin, T* end) {
  T total{};
  // Only + is required of T, so no +=.
  // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
  for (; begin != end; ++begin) total = total + *begin;
  return total;
}

// The one definition of what remove does; the faster paths below must leave
// exactly the same array and return the same end.
template <Removable T>
constexpr T* remove_generic(T* begin, T* end, T item) {
  T* kept = begin;
  for (T* p = begin; p != end; ++p) {
    if (item == *p) continue;
    // Copies, not moves: the last element must survive for the fill below.
    if (kept != p) *kept = *p;
    ++kept;
  }
  // If anything was removed, every write landed before kept <= end - 1, so
  // the last place still holds the original last element.
  if (kept != end) std::fill(kept, end - 1, *(end - 1));
  return kept;
}

// Copies the elements of [from, end) that differ from item to kept onwards
// and returns the end of what it kept. Writes every element and advances past
// the kept ones only, so the loop has no branch to mispredict when matches
// are frequent and irregular.
template <Removable T>
constexpr T* compact_branchless(T* from, T* end, T* kept, const T& item) {
  for (; from != end; ++from) {
    const bool keep = !(item == *from);
    *kept = *from;
    kept += keep;
  }
  return kept;
}

template <Removable T>
requires std::is_trivially_copyable_v<T>
constexpr T* remove_branchless(T* begin, T* end, T item) {
  if (begin == end) return end;
  const T last = *(end - 1);
  T* const kept = compact_branchless(begin, end, begin, item);
  std::fill(kept, end, last);
  return kept;
}

// The element types the vector paths below are written for.
template <class T>
concept FourByteInteger = std::integral<T> && sizeof(T) == 4 && !std::same_as<T, bool>;

#if TAVIK_AVX2_PATHS

// For each mask of lanes to keep, the lanes' indices packed to the bottom.
inline constexpr auto kPackLanes = [] {
  std::array<std::array<std::uint8_t, 8>, 256> table{};
  for (unsigned keep = 0; keep < 256; ++keep) {
    unsigned next = 0;
    for (std::uint8_t lane = 0; lane < 8; ++lane) {
      if (keep & (1u << lane)) table[keep][next++] = lane;
    }
  }
  return table;
}();

inline bool avx2_available() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

// Four independent vector totals, eight lanes each. The lanes wrap, so the
// result is the in-order total whenever that fits in T.
template <FourByteInteger T>
__attribute__((target("avx2"))) T sum_avx2(T* begin, T* end) {
  __m256i a = _mm256_setzero_si256();
  __m256i b = a;
  __m256i c = a;
  __m256i d = a;
  for (; end - begin >= 32; begin += 32) {
    const auto* block = reinterpret_cast<const __m256i*>(begin);
    a = _mm256_add_epi32(a, _mm256_loadu_si256(block));
    b = _mm256_add_epi32(b, _mm256_loadu_si256(block + 1));
    c = _mm256_add_epi32(c, _mm256_loadu_si256(block + 2));
    d = _mm256_add_epi32(d, _mm256_loadu_si256(block + 3));
  }
  for (; end - begin >= 8; begin += 8) {
    a = _mm256_add_epi32(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin)));
  }
  alignas(32) std::array<std::uint32_t, 8> lanes;
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.data()),
                     _mm256_add_epi32(_mm256_add_epi32(a, b), _mm256_add_epi32(c, d)));
  std::uint32_t total = 0;
  for (const std::uint32_t lane : lanes) total += lane;
  for (; begin != end; ++begin) total += static_cast<std::uint32_t>(*begin);
  return static_cast<T>(total);
}

// Eight elements at a time: compare, pack the kept lanes to the bottom and
// store all eight. The store may clobber places up to seven past kept, all
// of them already read, and later stores or the final fill overwrite them.
template <FourByteInteger T>
__attribute__((target("avx2,popcnt"))) T* remove_avx2(T* begin, T* end, T item) {
  if (begin == end) return end;
  const T last = *(end - 1);
  const __m256i wanted = _mm256_set1_epi32(static_cast<int>(item));
  T* kept = begin;
  T* p = begin;
  for (; end - p >= 8; p += 8) {
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i matches = _mm256_cmpeq_epi32(block, wanted);
    const unsigned keep =
        ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(matches))) & 0xFFu;
    const __m256i lanes = _mm256_cvtepu8_epi32(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kPackLanes[keep].data())));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(kept),
                        _mm256_permutevar8x32_epi32(block, lanes));
    kept += __builtin_popcount(keep);
  }
  kept = compact_branchless(p, end, kept, item);
  std::fill(kept, end, last);
  return kept;
}

#endif  // TAVIK_AVX2_PATHS

}  // namespace detail

// Returns T{} plus every element of [begin, end), added in order (integers in
// any order, which gives the same total). The total has the element type:
// there is no wider accumulator.
template <Summable T>
constexpr T sum(T* begin, T* end) {
#if TAVIK_AVX2_PATHS
  if constexpr (detail::FourByteInteger<T>) {
    if (!std::is_constant_evaluated() && detail::avx2_available()) {
      return detail::sum_avx2(begin, end);
    }
  }
#endif
  return detail::sum_generic(begin, end);
}

// Takes every element equal to item out of [begin, end) and returns the new
// end. [begin, new end) keeps the other elements in their order; every place
// in [new end, end) holds the range's original last element, which is what
// shifting the rest down on each match would have left there. Compares each
// element with item exactly once, as item == element.
//
// item is taken by value so that it may name an element of the range.
template <Removable T>
constexpr T* remove(T* begin, T* end, T item) {
  if (std::is_constant_evaluated()) {
    return detail::remove_generic(begin, end, item);
  }
#if TAVIK_AVX2_PATHS
  if constexpr (detail::FourByteInteger<T>) {
    if (detail::avx2_available()) return detail::remove_avx2(begin, end, item);
  }
#endif
  if constexpr (std::is_trivially_copyable_v<T>) {
    return detail::remove_branchless(begin, end, item);
  } else {
    return detail::remove_generic(begin, end, item);
  }
}

// Writes the elements of [begin, end) to standard output, separated by ", ",
// then ends the line and flushes.
template <Displayable It>
void display(It begin, It end) {
  for (It p = begin; p != end; ++p) {
    std::cout << *p;
    if (p != end - 1) std::cout << ", ";
  }
  std::cout << std::endl;
}

}  // namespace Tavik

#endif  // TAVIK_FUNCTIONS_H
