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
#include <iterator>
#include <memory>
#include <ostream>
#include <ranges>
#include <type_traits>
#include <utility>

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

// remove leaves copies of the range's last element past its new end, which
// a move-only type cannot give: elements are copied, never moved.
template <class T>
concept CopyableToFillTheTail = std::copyable<T>;  // so move-only types are refused

// Volatile elements are refused too: the paths below read and write an
// element more than once or several at a time, and C++20 deprecates volatile
// parameters and results.
template <class T>
concept Element = !std::is_volatile_v<T> && CopyableToFillTheTail<T>;

template <class T>
concept Summable = Element<T> && std::default_initializable<T> &&
    requires(const T& a, const T& b) {
  { a + b } -> std::convertible_to<T>;
};

// As remove compares: item, its own copy of what the caller gave, on the left
// of an element, the result read as a bool.
template <class T, class U = T>
concept Removable = Element<T> && requires(U& item, T& element) {
  { item == element } -> std::convertible_to<bool>;
};

template <class It>
concept Displayable = std::forward_iterator<It> && requires(It it, std::ostream& os) {
  os << *it;
};

template <class R>
concept DisplayableRange =
    std::ranges::common_range<R> && Displayable<std::ranges::iterator_t<R>>;

// What the iterator and range forms of sum and remove accept: anything laid
// out as an array, which they hand to the pointer forms. Pointers take those
// forms directly.
template <class It>
concept ContiguousIterator = std::contiguous_iterator<It> && !std::is_pointer_v<It>;

template <class R>
concept ContiguousRange = std::ranges::contiguous_range<R> && std::ranges::sized_range<R>;

namespace detail {

// Integers are added in the unsigned type of their width, which wraps where
// the element type could overflow, so that the total is exact whenever it fits.
template <class T>
concept WrappingInteger = std::integral<T> && !std::same_as<T, bool>;

// The one definition of what sum does.
template <Summable T>
constexpr T sum_generic(const T* begin, const T* end) {
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
template <class T, class U>
requires Removable<T, U>
constexpr T* find_generic(T* begin, T* end, U& item) {
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
template <class T, class U = T>
requires Removable<T, U>
constexpr T* remove_generic(T* begin, T* end, U item) {
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
template <class T, class U>
requires Removable<T, U>
constexpr T* compact_branchless(T* from, T* end, T* kept, U& item) {
  for (; from != end; ++from) {
    const bool match = static_cast<bool>(item == *from);
    *kept = *from;
    kept += !match;
  }
  return kept;
}

template <class T, class U = T>
requires Removable<T, U> && std::is_trivially_copyable_v<T>
constexpr T* remove_branchless(T* begin, T* end, U item) {
  T* const first = detail::find_generic(begin, end, item);
  if (first == end) return end;
  return detail::fill_vacated(detail::compact_branchless(first + 1, end, first, item),
                              end);
}

// Integers compare after the usual arithmetic conversions, which give every
// value of either type a value of its own in their common type. So an integer
// item of another type equals exactly the elements that equal static_cast<T>
// of it, or none when that T converts to something else than the item does.
template <class T, class U>
concept OtherInteger = std::integral<T> && std::integral<U> && !std::same_as<T, U>;

template <class T, class U>
requires OtherInteger<T, U>
constexpr bool some_element_can_equal(U item) {
  using Common = std::common_type_t<T, U>;
  return static_cast<Common>(static_cast<T>(item)) == static_cast<Common>(item);
}

// The element types the vector paths below are written for: integers of
// 1, 2, 4 and 8 bytes, float and double.
template <class T>
concept VectorElement = (WrappingInteger<T> && (sizeof(T) == 1 || sizeof(T) == 2 ||
                                                sizeof(T) == 4 || sizeof(T) == 8)) ||
                        std::same_as<T, float> || std::same_as<T, double>;

template <class T>
concept VectorInteger = WrappingInteger<T> && VectorElement<T>;

#if TAVIK_AVX2_PATHS

// For each mask of Lanes lanes to keep, the indices of the kept lanes' Parts
// parts (bytes for a byte shuffle, 4-byte words for a word permutation),
// packed to the bottom.
template <std::size_t Lanes, std::size_t Parts>
inline constexpr auto kPackParts = [] {
  constexpr std::size_t kMasks = std::size_t{1} << Lanes;
  std::array<std::array<std::uint8_t, Lanes * Parts>, kMasks> table{};
  for (std::size_t keep = 0; keep < kMasks; ++keep) {
    std::size_t next = 0;
    for (std::size_t lane = 0; lane < Lanes; ++lane) {
      if ((keep & (std::size_t{1} << lane)) == 0) continue;
      for (std::size_t part = 0; part < Parts; ++part) {
        table[keep][next++] = static_cast<std::uint8_t>(lane * Parts + part);
      }
    }
  }
  return table;
}();

inline bool avx2_available() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

#define TAVIK_AVX2 __attribute__((target("avx2,popcnt"))) inline

TAVIK_AVX2 __m128i either(__m128i a, __m128i b) { return _mm_or_si128(a, b); }
TAVIK_AVX2 __m256i either(__m256i a, __m256i b) { return _mm256_or_si256(a, b); }
TAVIK_AVX2 __m128i load128(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
TAVIK_AVX2 __m256i load256(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// The lane operations, one set per element width; all that the vector
// paths below know of an element type. A block is kLanes elements:
//   broadcast(item)          item in every lane
//   load(p)                  the block at p, any alignment
//   equal(block, wanted)     all ones in each lane that equals, zero elsewhere
//   bits(equal)              one bit per lane, lane 0 lowest
//   store_kept(to, block, k) the lanes set in k, packed to the bottom, stored
//                            at to; stores only in [to, to + kLanes), the
//                            places past the kept lanes taking any values;
//                            returns to plus the number kept.
// Floating-point lanes compare as == does: NaN equals nothing, -0.0 equals 0.0.
//
// 4- and 8-byte lanes: a 256-bit block, packed by a permutation of its eight
// 4-byte words.
template <class T, std::size_t Bytes = sizeof(T)>
struct Avx2Lanes {
  static_assert(Bytes == 4 || Bytes == 8);
  using Vector = __m256i;
  static constexpr int kLanes = 32 / Bytes;
  static constexpr std::size_t kWords = Bytes / 4;
  TAVIK_AVX2 static Vector broadcast(T item) {
    if constexpr (std::same_as<T, float>) {
      return _mm256_castps_si256(_mm256_set1_ps(item));
    } else if constexpr (std::same_as<T, double>) {
      return _mm256_castpd_si256(_mm256_set1_pd(item));
    } else if constexpr (Bytes == 4) {
      return _mm256_set1_epi32(static_cast<int>(item));
    } else {
      return _mm256_set1_epi64x(static_cast<long long>(item));
    }
  }
  TAVIK_AVX2 static Vector load(const T* p) { return detail::load256(p); }
  TAVIK_AVX2 static Vector equal(Vector block, Vector wanted) {
    if constexpr (std::same_as<T, float>) {
      return _mm256_castps_si256(_mm256_cmp_ps(_mm256_castsi256_ps(block),
                                               _mm256_castsi256_ps(wanted), _CMP_EQ_OQ));
    } else if constexpr (std::same_as<T, double>) {
      return _mm256_castpd_si256(_mm256_cmp_pd(_mm256_castsi256_pd(block),
                                               _mm256_castsi256_pd(wanted), _CMP_EQ_OQ));
    } else if constexpr (Bytes == 4) {
      return _mm256_cmpeq_epi32(block, wanted);
    } else {
      return _mm256_cmpeq_epi64(block, wanted);
    }
  }
  TAVIK_AVX2 static unsigned bits(Vector equal) {
    if constexpr (Bytes == 4) {
      return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(equal)));
    } else {
      return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(equal)));
    }
  }
  TAVIK_AVX2 static T* store_kept(T* to, Vector block, unsigned keep) {
    const __m256i order = _mm256_cvtepu8_epi32(_mm_loadl_epi64(
        reinterpret_cast<const __m128i*>(kPackParts<kLanes, kWords>[keep].data())));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                        _mm256_permutevar8x32_epi32(block, order));
    return to + __builtin_popcount(keep);
  }
};

// Bytes: 16 to a block, packed eight at a time by a byte shuffle.
template <class T>
struct Avx2Lanes<T, 1> {
  using Vector = __m128i;
  static constexpr int kLanes = 16;
  TAVIK_AVX2 static Vector broadcast(T item) {
    return _mm_set1_epi8(static_cast<char>(item));
  }
  TAVIK_AVX2 static Vector load(const T* p) { return detail::load128(p); }
  TAVIK_AVX2 static Vector equal(Vector block, Vector wanted) {
    return _mm_cmpeq_epi8(block, wanted);
  }
  TAVIK_AVX2 static unsigned bits(Vector equal) {
    return static_cast<unsigned>(_mm_movemask_epi8(equal));
  }
  TAVIK_AVX2 static T* store_eight(T* to, Vector eight, unsigned keep) {
    const __m128i order =
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kPackParts<8, 1>[keep].data()));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(eight, order));
    return to + __builtin_popcount(keep);
  }
  TAVIK_AVX2 static T* store_kept(T* to, Vector block, unsigned keep) {
    to = store_eight(to, block, keep & 0xFFu);
    return store_eight(to, _mm_srli_si128(block, 8), keep >> 8);
  }
};

// 2-byte lanes: eight to a block, packed by a byte shuffle.
template <class T>
struct Avx2Lanes<T, 2> {
  using Vector = __m128i;
  static constexpr int kLanes = 8;
  TAVIK_AVX2 static Vector broadcast(T item) {
    return _mm_set1_epi16(static_cast<short>(item));
  }
  TAVIK_AVX2 static Vector load(const T* p) { return detail::load128(p); }
  TAVIK_AVX2 static Vector equal(Vector block, Vector wanted) {
    return _mm_cmpeq_epi16(block, wanted);
  }
  TAVIK_AVX2 static unsigned bits(Vector equal) {
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_packs_epi16(equal, _mm_setzero_si128())));
  }
  TAVIK_AVX2 static T* store_kept(T* to, Vector block, unsigned keep) {
    const __m128i order = detail::load128(kPackParts<8, 2>[keep].data());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(block, order));
    return to + __builtin_popcount(keep);
  }
};

// Four independent vector totals, each lane wrapping as sum_generic's
// unsigned total does; so the lanes may be added in any order.
template <WrappingInteger T>
TAVIK_AVX2 __m256i add_lanes(__m256i a, __m256i b) {
  if constexpr (sizeof(T) == 1) {
    return _mm256_add_epi8(a, b);
  } else if constexpr (sizeof(T) == 2) {
    return _mm256_add_epi16(a, b);
  } else if constexpr (sizeof(T) == 4) {
    return _mm256_add_epi32(a, b);
  } else {
    return _mm256_add_epi64(a, b);
  }
}

template <VectorInteger T>
TAVIK_AVX2 T sum_avx2(const T* begin, const T* end) {
  constexpr int kLanes = 32 / sizeof(T);
  __m256i a = _mm256_setzero_si256();
  __m256i b = a;
  __m256i c = a;
  __m256i d = a;
  for (; end - begin >= 4 * kLanes; begin += 4 * kLanes) {
    a = detail::add_lanes<T>(a, detail::load256(begin));
    b = detail::add_lanes<T>(b, detail::load256(begin + kLanes));
    c = detail::add_lanes<T>(c, detail::load256(begin + 2 * kLanes));
    d = detail::add_lanes<T>(d, detail::load256(begin + 3 * kLanes));
  }
  for (; end - begin >= kLanes; begin += kLanes) {
    a = detail::add_lanes<T>(a, detail::load256(begin));
  }
  using Unsigned = std::make_unsigned_t<T>;
  alignas(32) std::array<Unsigned, kLanes> lanes;
  _mm256_store_si256(
      reinterpret_cast<__m256i*>(lanes.data()),
      detail::add_lanes<T>(detail::add_lanes<T>(a, b), detail::add_lanes<T>(c, d)));
  Unsigned total = 0;
  for (const Unsigned lane : lanes) total += lane;
  for (; begin != end; ++begin) total += static_cast<Unsigned>(*begin);
  return static_cast<T>(total);
}

template <class Lanes, class T>
TAVIK_AVX2 typename Lanes::Vector equal_at(const T* p, typename Lanes::Vector wanted) {
  return Lanes::equal(Lanes::load(p), wanted);
}

// find_generic, four blocks to a test while nothing matches.
template <VectorElement T>
TAVIK_AVX2 T* find_avx2(T* begin, T* end, T& item) {
  using Lanes = detail::Avx2Lanes<T>;
  constexpr int kLanes = Lanes::kLanes;
  const auto wanted = Lanes::broadcast(item);
  for (; end - begin >= 4 * kLanes; begin += 4 * kLanes) {
    const auto any = detail::either(
        detail::either(detail::equal_at<Lanes>(begin, wanted),
                       detail::equal_at<Lanes>(begin + kLanes, wanted)),
        detail::either(detail::equal_at<Lanes>(begin + 2 * kLanes, wanted),
                       detail::equal_at<Lanes>(begin + 3 * kLanes, wanted)));
    if (Lanes::bits(any) != 0) break;
  }
  for (; end - begin >= kLanes; begin += kLanes) {
    const unsigned matches = Lanes::bits(detail::equal_at<Lanes>(begin, wanted));
    if (matches != 0) return begin + __builtin_ctz(matches);
  }
  return detail::find_generic(begin, end, item);
}

// compact_branchless, a block at a time: compare, then store the kept lanes
// packed at kept. As kept lies before from, a store reaches at most
// from + kLanes - 2 < end - 1; the lanes past the kept ones are overwritten
// by later stores or the fill.
template <VectorElement T>
TAVIK_AVX2 T* compact_avx2(T* from, T* end, T* kept, T& item) {
  using Lanes = detail::Avx2Lanes<T>;
  constexpr unsigned kAll = (1u << Lanes::kLanes) - 1;
  const auto wanted = Lanes::broadcast(item);
  for (; end - from >= Lanes::kLanes; from += Lanes::kLanes) {
    const auto block = Lanes::load(from);
    kept =
        Lanes::store_kept(kept, block, ~Lanes::bits(Lanes::equal(block, wanted)) & kAll);
  }
  return detail::compact_branchless(from, end, kept, item);
}

template <VectorElement T>
TAVIK_AVX2 T* remove_avx2(T* begin, T* end, T item) {
  T* const first = detail::find_avx2(begin, end, item);
  if (first == end) return end;
  return detail::fill_vacated(detail::compact_avx2(first + 1, end, first, item), end);
}

#undef TAVIK_AVX2

#endif  // TAVIK_AVX2_PATHS

}  // namespace detail

// Returns T{} plus every element of [begin, end), in order. Integers are
// added modulo 2^N in any order, so the total is exact whenever it fits T,
// whatever the partial sums do. The total has the element type: there is no
// wider accumulator. The elements may be const.
template <Summable T>
constexpr T sum(const T* begin, const T* end) {
#if TAVIK_AVX2_PATHS
  if constexpr (detail::VectorInteger<T>) {
    if (!std::is_constant_evaluated() && detail::avx2_available()) {
      return detail::sum_avx2(begin, end);
    }
  }
#endif
  return detail::sum_generic(begin, end);
}

// The same over contiguous iterators or a contiguous range.
template <ContiguousIterator It>
requires Summable<std::iter_value_t<It>>
constexpr std::iter_value_t<It> sum(It begin, It end) {
  return Tavik::sum(std::to_address(begin), std::to_address(end));
}

template <ContiguousRange R>
requires Summable<std::ranges::range_value_t<R>>
constexpr std::ranges::range_value_t<R> sum(R&& range) {
  const auto begin = std::ranges::begin(range);
  return Tavik::sum(begin, begin + std::ranges::ssize(range));
}

// Takes every element e with item == e out of [begin, end) and returns the
// new end. [begin, new end) keeps the other elements in their order; every
// place in [new end, end) holds the range's original last element, which is
// what shifting the rest down on each match would have left there. Compares
// each element once, as item == element, and stores only where shifting
// would: nothing if nothing matches.
//
// item is the caller's value, not converted to T, so it compares as it would
// in the caller's own ==; it is a copy, so it may name an element of the range.
template <class T, class U = T>
requires Removable<T, U>
constexpr T* remove(T* begin, T* end, U item) {
  if constexpr (detail::OtherInteger<T, U>) {
    if (!detail::some_element_can_equal<T>(item)) return end;
    return Tavik::remove(begin, end, static_cast<T>(item));
  } else {
    if (std::is_constant_evaluated()) {
      return detail::remove_generic(begin, end, std::move(item));
    }
#if TAVIK_AVX2_PATHS
    if constexpr (detail::VectorElement<T> && std::same_as<T, U>) {
      if (detail::avx2_available()) return detail::remove_avx2(begin, end, item);
    }
#endif
    if constexpr (std::is_trivially_copyable_v<T>) {
      return detail::remove_branchless(begin, end, std::move(item));
    } else {
      return detail::remove_generic(begin, end, std::move(item));
    }
  }
}

// The same over contiguous iterators or a contiguous range, returning their
// iterator at the new end, so that v.erase(Tavik::remove(v, x), v.end()) works.
template <ContiguousIterator It, class U = std::iter_value_t<It>>
requires Removable<std::remove_reference_t<std::iter_reference_t<It>>, U>
constexpr It remove(It begin, It end, U item) {
  const auto first = std::to_address(begin);
  return begin + (Tavik::remove(first, std::to_address(end), std::move(item)) - first);
}

template <ContiguousRange R, class U = std::ranges::range_value_t<R>>
requires Removable<std::remove_reference_t<std::ranges::range_reference_t<R>>, U>
constexpr std::ranges::borrowed_iterator_t<R> remove(R&& range, U item) {
  const auto begin = std::ranges::begin(range);
  return Tavik::remove(begin, begin + std::ranges::ssize(range), std::move(item));
}

// Writes the elements of [begin, end) to out, separated by ", ", then ends
// the line and flushes. The forms without a stream write to standard output.
template <Displayable It>
void display(std::ostream& out, It begin, It end) {
  for (It p = begin; p != end;) {
    out << *p;
    if (++p != end) out << ", ";
  }
  out << std::endl;
}

template <Displayable It>
void display(It begin, It end) {
  Tavik::display(std::cout, begin, end);
}

template <DisplayableRange R>
void display(std::ostream& out, R&& range) {
  Tavik::display(out, std::ranges::begin(range), std::ranges::end(range));
}

template <DisplayableRange R>
void display(R&& range) {
  Tavik::display(std::cout, range);
}

}  // namespace Tavik

#endif  // C++20
#endif  // TAVIK_FUNCTIONS_H
