// Generic range algorithms over contiguous arrays: total, in-place removal
// and one-line display. They keep no state and allocate nothing.
#ifndef TAVIK_FUNCTIONS_H
#define TAVIK_FUNCTIONS_H

// Everything below needs concepts; say so once rather than in a page of errors.
#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 202002L
#error "tavik/Functions.h needs C++20 or later"
#else

#include <algorithm>
#include <array>
#include <concepts>
#include <cstdint>
#include <iostream>
#include <ostream>
#include <type_traits>

// Vector paths, chosen at run time, on x86-64 with GCC or Clang only.
// -DTAVIK_AVX2_PATHS=0 turns them off. Always defined, to 0 or 1, so that
// -Wundef catches a misspelt test of it.
#if !defined(TAVIK_AVX2_PATHS)
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAVIK_AVX2_PATHS 1
#else
#define TAVIK_AVX2_PATHS 0
#endif
#elif TAVIK_AVX2_PATHS && \
    !(defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)))
#error "TAVIK_AVX2_PATHS=1 needs x86-64 and GCC or Clang"
#endif
#if TAVIK_AVX2_PATHS
#include <immintrin.h>
#endif

namespace Tavik {

// Volatile elements are refused: the paths below read and write an element
// more than once or several at a time, and C++20 deprecates volatile
// parameters and results.
template <class T>
concept Element = std::copyable<T> && !std::is_volatile_v<T>;

template <class T>
concept Summable = Element<T> && std::default_initializable<T> &&
    requires(const T& a, const T& b) {
  { a + b } -> std::convertible_to<T>;
};

// As remove compares: item, a T it owns, on the left of an element.
template <class T>
concept Removable = Element<T> && requires(T& item, T& element) {
  { item == element } -> std::convertible_to<bool>;
};

template <class It>
concept Displayable = std::copyable<It> && requires(It it, std::ostream& os) {
  { it != it } -> std::convertible_to<bool>;
  ++it;
  it - 1;
  os << *it;
};

namespace detail {

// Integers are added in the unsigned type of their width, which wraps where
// the element type could overflow, so that the total is exact whenever it fits.
template <class T>
concept WrappingInteger = std::integral<T> && !std::same_as<T, bool>;

// The one definition of what sum does.
template <Summable T>
constexpr T sum_generic(T* begin, T* end) {
  if constexpr (WrappingInteger<T>) {
    using Unsigned = std::make_unsigned_t<T>;
    Unsigned total = 0;
    for (; begin != end; ++begin) total += static_cast<Unsigned>(*begin);
    return static_cast<T>(total);
  } else {
    T total{};
    // Only + is required of T, so no +=.
    // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
    for (; begin != end; ++begin) total = total + *begin;
    return total;
  }
}

// The first place in [begin, end) that equals item, or end. Reads only.
template <Removable T>
constexpr T* find_generic(T* begin, T* end, T& item) {
  for (; begin != end; ++begin) {
    if (item == *begin) break;
  }
  return begin;
}

// Every place in [kept, end - 1) takes the range's last element, which is
// what shifting leaves behind; the last place keeps it. Returns kept.
template <Element T>
constexpr T* fill_vacated(T* kept, T* end) {
  std::fill(kept, end - 1, *(end - 1));
  return kept;
}

// The one definition of what remove does; the faster paths below must leave
// exactly the same array, return the same end and store nowhere else: nothing
// before the first match, nothing at the last place, nothing if nothing
// matches.
template <Removable T>
constexpr T* remove_generic(T* begin, T* end, T item) {
  T* const first = detail::find_generic(begin, end, item);
  if (first == end) return end;
  T* kept = first;
  for (T* p = first + 1; p != end; ++p) {
    if (item == *p) continue;
    // Copies, not moves: the last element must survive for the fill.
    *kept = *p;
    ++kept;
  }
  return detail::fill_vacated(kept, end);
}

// Copies the elements of [from, end) that differ from item to kept onwards
// and returns the end of what it kept. Stores every element and advances past
// the kept ones only, so the loop has no branch to mispredict when matches
// are frequent and irregular; kept must lie before from, so every store lands
// in [kept, end - 1).
template <Removable T>
constexpr T* compact_branchless(T* from, T* end, T* kept, T& item) {
  for (; from != end; ++from) {
    const bool match = static_cast<bool>(item == *from);
    *kept = *from;
    kept += !match;
  }
  return kept;
}

template <Removable T>
requires std::is_trivially_copyable_v<T>
constexpr T* remove_branchless(T* begin, T* end, T item) {
  T* const first = detail::find_generic(begin, end, item);
  if (first == end) return end;
  return detail::fill_vacated(detail::compact_branchless(first + 1, end, first, item),
                              end);
}

// The element types the vector paths below are written for.
template <class T>
concept FourByteInteger = WrappingInteger<T> && sizeof(T) == 4;

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

// Four independent vector totals, eight lanes each, all wrapping as
// sum_generic's unsigned total does.
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

// The lanes of block that equal wanted, one bit each.
__attribute__((target("avx2"))) inline unsigned match_mask(__m256i block,
                                                           __m256i wanted) {
  return static_cast<unsigned>(
      _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(block, wanted))));
}

__attribute__((target("avx2"))) inline __m256i load(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// find_generic, 32 elements to a test while nothing matches.
template <FourByteInteger T>
__attribute__((target("avx2"))) T* find_avx2(T* begin, T* end, T& item) {
  const __m256i wanted = _mm256_set1_epi32(static_cast<int>(item));
  for (; end - begin >= 32; begin += 32) {
    const __m256i any = _mm256_or_si256(
        _mm256_or_si256(_mm256_cmpeq_epi32(detail::load(begin), wanted),
                        _mm256_cmpeq_epi32(detail::load(begin + 8), wanted)),
        _mm256_or_si256(_mm256_cmpeq_epi32(detail::load(begin + 16), wanted),
                        _mm256_cmpeq_epi32(detail::load(begin + 24), wanted)));
    if (!_mm256_testz_si256(any, any)) break;
  }
  for (; end - begin >= 8; begin += 8) {
    const unsigned matches = detail::match_mask(detail::load(begin), wanted);
    if (matches != 0) return begin + __builtin_ctz(matches);
  }
  return detail::find_generic(begin, end, item);
}

// compact_branchless, eight elements at a time: compare, pack the kept lanes
// to the bottom and store all eight at kept. As kept lies before from, a
// store reaches at most from + 6 < end - 1; the lanes past the kept ones are
// overwritten by later stores or the fill.
template <FourByteInteger T>
__attribute__((target("avx2,popcnt"))) T* compact_avx2(T* from, T* end, T* kept,
                                                       T& item) {
  const __m256i wanted = _mm256_set1_epi32(static_cast<int>(item));
  for (; end - from >= 8; from += 8) {
    const __m256i block = detail::load(from);
    const unsigned keep = ~detail::match_mask(block, wanted) & 0xFFu;
    const __m256i lanes = _mm256_cvtepu8_epi32(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kPackLanes[keep].data())));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(kept),
                        _mm256_permutevar8x32_epi32(block, lanes));
    kept += __builtin_popcount(keep);
  }
  return detail::compact_branchless(from, end, kept, item);
}

template <FourByteInteger T>
__attribute__((target("avx2,popcnt"))) T* remove_avx2(T* begin, T* end, T item) {
  T* const first = detail::find_avx2(begin, end, item);
  if (first == end) return end;
  return detail::fill_vacated(detail::compact_avx2(first + 1, end, first, item), end);
}

#endif  // TAVIK_AVX2_PATHS

}  // namespace detail

// Returns T{} plus every element of [begin, end), in order. Integers are
// added modulo 2^N in any order, so the total is exact whenever it fits T,
// whatever the partial sums do. The total has the element type: there is no
// wider accumulator.
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
// element once, as item == element, and stores only where shifting would:
// nothing if nothing matches.
//
// item is a copy, converted to T, so that it may name an element of the range.
template <Removable T>
constexpr T* remove(T* begin, T* end, std::type_identity_t<T> item) {
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

#endif  // C++20
#endif  // TAVIK_FUNCTIONS_H
