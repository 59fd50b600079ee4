// SPDX-License-Identifier: BSL-1.0
// Generic range algorithms over contiguous arrays: total, in-place removal
// and one-line display. They keep no state and allocate nothing.
#ifndef TAVIK_FUNCTIONS_H
#define TAVIK_FUNCTIONS_H

// The version: CMake, pkg-config and Meson read it from here.
#define TAVIK_VERSION_MAJOR 1
#define TAVIK_VERSION_MINOR 2
#define TAVIK_VERSION_PATCH 0

// A build that cannot use the header stops at one error that says why,
// rather than at a page of them: everything past the checks is skipped.
#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 202002L
#error "tavik/Functions.h needs C++20 or later"
#define TAVIK_DETAIL_STOP
#endif

// Vector paths, with GCC or Clang: AVX-512 and AVX2 on x86-64, chosen at run
// time, and NEON on (little-endian) aarch64, which every such core has.
// -DTAVIK_VECTOR_PATHS=0 compiles every one out (TAVIK_AVX2_PATHS is its
// older name and must agree with it); -DTAVIK_AVX512_PATHS=0 the AVX-512 ones
// alone. Each is always defined, to 0 or 1, so that -Wundef catches a
// misspelt test of it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAVIK_DETAIL_X86_64 1
#else
#define TAVIK_DETAIL_X86_64 0
#endif
#if defined(__AARCH64EL__) && defined(__ARM_NEON) && \
    (defined(__GNUC__) || defined(__clang__))
#define TAVIK_DETAIL_AARCH64 1
#else
#define TAVIK_DETAIL_AARCH64 0
#endif

// A switch is 0 or 1 exactly. ON, yes or an empty value would read as 0 in
// an #if and switch the paths off without a word, so each is checked by
// pasting it onto a name that only 0 and 1 complete: those expand to two
// arguments, and the second argument is then 1; anything else leaves one,
// and 0 comes second. No undefined name reaches the #if, for -Wundef.
#define TAVIK_DETAIL_BIT_0 ~, 1
#define TAVIK_DETAIL_BIT_1 ~, 1
#define TAVIK_DETAIL_IS_BIT(value) TAVIK_DETAIL_IS_BIT_PASTED(value)
#define TAVIK_DETAIL_IS_BIT_PASTED(value) TAVIK_DETAIL_SECOND_OF(TAVIK_DETAIL_BIT_##value)
#define TAVIK_DETAIL_SECOND_OF(...) \
  TAVIK_DETAIL_EXPAND(TAVIK_DETAIL_SECOND(__VA_ARGS__, 0, ~))
#define TAVIK_DETAIL_SECOND(first, second, ...) second
// MSVC's traditional preprocessor passes __VA_ARGS__ on as one argument
// unless it is expanded once more.
#define TAVIK_DETAIL_EXPAND(tokens) tokens

#if defined(TAVIK_DETAIL_STOP)
#elif defined(TAVIK_VECTOR_PATHS) && !TAVIK_DETAIL_IS_BIT(TAVIK_VECTOR_PATHS)
#error "TAVIK_VECTOR_PATHS must be 0 or 1"
#define TAVIK_DETAIL_STOP
#elif defined(TAVIK_AVX2_PATHS) && !TAVIK_DETAIL_IS_BIT(TAVIK_AVX2_PATHS)
#error "TAVIK_AVX2_PATHS, the older name of TAVIK_VECTOR_PATHS, must be 0 or 1"
#define TAVIK_DETAIL_STOP
#elif defined(TAVIK_AVX512_PATHS) && !TAVIK_DETAIL_IS_BIT(TAVIK_AVX512_PATHS)
#error "TAVIK_AVX512_PATHS must be 0 or 1"
#define TAVIK_DETAIL_STOP
#endif

#if !defined(TAVIK_DETAIL_STOP)
#if !defined(TAVIK_VECTOR_PATHS) && defined(TAVIK_AVX2_PATHS)
#define TAVIK_VECTOR_PATHS TAVIK_AVX2_PATHS
#endif
#if !defined(TAVIK_VECTOR_PATHS)
#if TAVIK_DETAIL_X86_64 || TAVIK_DETAIL_AARCH64
#define TAVIK_VECTOR_PATHS 1
#else
#define TAVIK_VECTOR_PATHS 0
#endif
#elif TAVIK_VECTOR_PATHS && !(TAVIK_DETAIL_X86_64 || TAVIK_DETAIL_AARCH64)
#error \
    "TAVIK_VECTOR_PATHS=1 (or TAVIK_AVX2_PATHS=1) needs x86-64 or aarch64, and GCC or Clang"
#define TAVIK_DETAIL_STOP
#endif

#if !defined(TAVIK_AVX2_PATHS)
#define TAVIK_AVX2_PATHS TAVIK_VECTOR_PATHS
#elif TAVIK_AVX2_PATHS != TAVIK_VECTOR_PATHS
#error "TAVIK_AVX2_PATHS, the older name of TAVIK_VECTOR_PATHS, contradicts it"
#define TAVIK_DETAIL_STOP
#endif

#if !defined(TAVIK_AVX512_PATHS)
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_X86_64
#define TAVIK_AVX512_PATHS 1
#else
#define TAVIK_AVX512_PATHS 0
#endif
#elif TAVIK_AVX512_PATHS && !(TAVIK_VECTOR_PATHS && TAVIK_DETAIL_X86_64)
#error "TAVIK_AVX512_PATHS=1 needs the vector paths, on x86-64"
#define TAVIK_DETAIL_STOP
#endif
#endif  // !TAVIK_DETAIL_STOP

#if !defined(TAVIK_DETAIL_STOP)

#include <algorithm>
#include <array>
#include <bit>
#include <concepts>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <memory>
#include <ostream>
#include <ranges>
#include <type_traits>
#include <utility>
// Which vector paths this build has.
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_X86_64
#define TAVIK_DETAIL_AVX2 1
#include <immintrin.h>
#else
#define TAVIK_DETAIL_AVX2 0
#endif
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_AARCH64
#define TAVIK_DETAIL_NEON 1
#include <arm_neon.h>
#else
#define TAVIK_DETAIL_NEON 0
#endif

namespace Tavik {

// The ways sum and remove can take: the plain loops, which define what they
// do, remove's branchless loop, and the vector paths.
enum class Path { plain, branchless, avx2, avx512, neon };

// Writes the enumerator's name: "plain", "avx512", ...
inline std::ostream& operator<<(std::ostream& out, Path path) {
  switch (path) {
    case Path::plain: return out << "plain";
    case Path::branchless: return out << "branchless";
    case Path::avx2: return out << "avx2";
    case Path::avx512: return out << "avx512";
    case Path::neon: return out << "neon";
  }
  return out << "Path(" << static_cast<int>(path) << ")";
}

// What the switches change lives in a namespace named after them, so that
// files built with different switches and linked into one program each keep
// their own paths, whatever the link order: the templates instantiated under
// one setting are other functions to the linker than those under another.
#if TAVIK_VECTOR_PATHS && TAVIK_AVX512_PATHS
#define TAVIK_DETAIL_PATHS_NAMESPACE vector_paths_with_avx512
#elif TAVIK_VECTOR_PATHS
#define TAVIK_DETAIL_PATHS_NAMESPACE vector_paths
#else
#define TAVIK_DETAIL_PATHS_NAMESPACE no_vector_paths
#endif
inline namespace TAVIK_DETAIL_PATHS_NAMESPACE {

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
    std::ranges::forward_range<R> && Displayable<std::ranges::iterator_t<R>>;

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
// The compiler's 128-bit integers are integers here in every language mode:
// under -std=c++20 the standard library does not count them as such.
template <class T>
struct UnsignedOf : std::make_unsigned<T> {};

#if defined(__SIZEOF_INT128__)
__extension__ using Int128 = __int128;
__extension__ using UInt128 = unsigned __int128;
template <>
struct UnsignedOf<Int128> {
  using type = UInt128;
};
template <>
struct UnsignedOf<UInt128> {
  using type = UInt128;
};
template <class T>
concept Integer128 = std::same_as<T, Int128> || std::same_as<T, UInt128>;
#else
template <class T>
concept Integer128 = false;
#endif

template <class T>
concept WrappingInteger = (std::integral<T> && !std::same_as<T, bool>) || Integer128<T>;

template <WrappingInteger T>
using Unsigned = typename UnsignedOf<T>::type;

// The one place where remove compares: item, on the left, with an element,
// the result read as a bool. The conversions in it are the caller's, as they
// would be in the caller's own ==, so the header does not warn about them;
// std::remove's comparison, in a system header, does not either.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wfloat-equal"
#if defined(__clang__)
#pragma GCC diagnostic ignored "-Wimplicit-int-float-conversion"
#endif
template <class T, class U>
constexpr bool equals_item(U& item, T& element) {
  return static_cast<bool>(item == element);
}
#pragma GCC diagnostic pop

// The one definition of what sum does.
template <Summable T>
constexpr T sum_generic(const T* begin, const T* end) {
  if constexpr (WrappingInteger<T>) {
    detail::Unsigned<T> total = 0;
    for (; begin != end; ++begin) total += static_cast<detail::Unsigned<T>>(*begin);
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
    if (detail::equals_item(item, *begin)) break;
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
    if (detail::equals_item(item, *p)) continue;
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
    const bool match = detail::equals_item(item, *from);
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

#if TAVIK_VECTOR_PATHS

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

// The vector paths are one skeleton (find, compact, fill; and sum) over a set
// of lane operations, one set per instruction set and element width. A Lanes
// object holds one vector of kLanes elements of T; a block is the kLanes
// elements at a pointer, at any alignment.
//   Lanes(item)                 item in every lane
//   equal(block)                a Mask with a bit for each element of the
//                               block that equals the item, lane 0 lowest;
//                               kAll has every lane's bit
//   store_kept(to, block, keep) the block's elements whose bits keep sets,
//                               packed to the bottom and stored at to; stores
//                               only in [to, to + kLanes), the places past
//                               the kept ones taking any values, and only
//                               after reading the whole block; returns to
//                               plus the number kept
//   store_kept_only(to, block, keep)
//                               if a set has it: as store_kept, but stores
//                               only the kept elements, in [to, to + the
//                               number kept)
//   add(block), add(lanes)      integers: each lane plus the block's or the
//                               other's, wrapping
//   store(to)                   the lanes at to, in [to, to + kLanes)
//   vector                      the lanes themselves
// Floating-point lanes compare as == does: NaN equals nothing, -0.0 equals 0.0.
// An intrinsic may be a macro (clang's NEON ones are), so no argument of one
// holds a bare comma: a template's arguments are named in a variable first.
//
// The skeleton has no target of its own and passes no vector by value, so
// that it compiles anywhere. It is always inlined into the entry points at
// the end, which carry their instruction set's target, so that the lane
// operations are inlined there too and the whole is compiled for that set.

// The first place from p on, or end if sooner, where a block lies on a vector
// boundary. The paths start their blocks there: a load that straddles two
// cache lines costs two, and at 64 bytes every unaligned one does.
template <class Lanes, class T>
[[gnu::always_inline]] inline T* block_boundary(T* p, T* end) {
  constexpr std::uintptr_t kBytes = Lanes::kLanes * sizeof(T);
  const std::uintptr_t short_by =
      (kBytes - reinterpret_cast<std::uintptr_t>(p) % kBytes) % kBytes;
  return p + (std::min)(static_cast<std::ptrdiff_t>(short_by / sizeof(T)), end - p);
}

// find_generic, four blocks to a test while nothing matches.
template <class Lanes, class T>
[[gnu::always_inline]] inline T* find_vector(T* begin, T* end, T& item) {
  constexpr int kLanes = Lanes::kLanes;
  T* const boundary = detail::block_boundary<Lanes>(begin, end);
  if (T* const found = detail::find_generic(begin, boundary, item); found != boundary) {
    return found;
  }
  begin = boundary;
  const Lanes wanted(item);
  for (; end - begin >= 4 * kLanes; begin += 4 * kLanes) {
    if ((wanted.equal(begin) | wanted.equal(begin + kLanes) |
         wanted.equal(begin + 2 * kLanes) | wanted.equal(begin + 3 * kLanes)) != 0) {
      break;
    }
  }
  for (; end - begin >= kLanes; begin += kLanes) {
    if (const auto matches = wanted.equal(begin); matches != 0) {
      return begin + std::countr_zero(matches);
    }
  }
  return detail::find_generic(begin, end, item);
}

// How compaction stores a block: the whole vector (store_kept), or the kept
// elements alone (store_kept_only), or whichever suits the range's size.
enum class Store { by_size, whole_vector, kept_lanes };

template <class Lanes, class T>
concept StoresKeptOnly = requires(T* to, typename Lanes::Mask keep) {
  Lanes::store_kept_only(to, to, keep);
};

// From this many bytes on, a range is compacted with stores of the kept
// elements alone. Beyond the last-level cache memory is the bound, and the
// whole vector's store writes bytes that the next block's store writes again;
// within the caches the whole store is faster (on Zen 4 the kept-only store
// took 0.99-1.17 times as long at 65,536 elements). 32 MiB is the L3 of the
// Zen 4 and Zen 5 parts measured: beyond it the kept-only store took
// 0.78-0.81 of the time on Zen 5, and 0.96-1.14 of it on Zen 4.
inline constexpr std::size_t kStoreKeptOnlyFromBytes = std::size_t{32} << 20;

// compact_branchless, a block at a time. As kept lies before from, a store
// reaches at most from + kLanes - 2 < end - 1; the places past the kept ones
// are overwritten by later stores or the fill.
template <class Lanes, Store kForm, class T>
[[gnu::always_inline]] inline T* compact_vector(T* from, T* end, T* kept, T& item) {
  T* const boundary = detail::block_boundary<Lanes>(from, end);
  kept = detail::compact_branchless(from, boundary, kept, item);
  const Lanes wanted(item);
  for (from = boundary; end - from >= Lanes::kLanes; from += Lanes::kLanes) {
    const auto keep = ~wanted.equal(from) & Lanes::kAll;
    if constexpr (kForm == Store::kept_lanes) {
      kept = Lanes::store_kept_only(kept, from, keep);
    } else {
      kept = Lanes::store_kept(kept, from, keep);
    }
  }
  return detail::compact_branchless(from, end, kept, item);
}

// fill_vacated, a vector at a time: a removal fills as many places as it
// removes elements, and at -O2 std::fill stores them one at a time.
template <class Lanes, class T>
[[gnu::always_inline]] inline T* fill_vector(T* kept, T* end) {
  T* const last = end - 1;
  const Lanes copies(*last);
  T* place = kept;
  for (; last - place >= Lanes::kLanes; place += Lanes::kLanes) copies.store(place);
  std::fill(place, last, *last);
  return kept;
}

template <class Lanes, Store kForm = Store::by_size, class T>
[[gnu::always_inline]] inline T* remove_vector(T* begin, T* end, T item) {
  T* const first = detail::find_vector<Lanes>(begin, end, item);
  if (first == end) return end;
  if constexpr (kForm == Store::by_size && detail::StoresKeptOnly<Lanes, T>) {
    if (static_cast<std::size_t>(end - begin) * sizeof(T) >= kStoreKeptOnlyFromBytes) {
      return detail::fill_vector<Lanes>(
          detail::compact_vector<Lanes, Store::kept_lanes>(first + 1, end, first, item),
          end);
    }
  }
  return detail::fill_vector<Lanes>(
      detail::compact_vector<Lanes, kForm>(first + 1, end, first, item), end);
}

// Four independent vector totals. Each lane wraps as sum_generic's unsigned
// total does, so the lanes may be added in any order.
template <class Lanes, class T>
[[gnu::always_inline]] inline T sum_vector(const T* begin, const T* end) {
  constexpr int kLanes = Lanes::kLanes;
  using Total = detail::Unsigned<T>;
  const T* const boundary = detail::block_boundary<Lanes>(begin, end);
  Total total = static_cast<Total>(detail::sum_generic(begin, boundary));
  begin = boundary;
  Lanes a(T{});
  Lanes b(T{});
  Lanes c(T{});
  Lanes d(T{});
  for (; end - begin >= 4 * kLanes; begin += 4 * kLanes) {
    a.add(begin);
    b.add(begin + kLanes);
    c.add(begin + 2 * kLanes);
    d.add(begin + 3 * kLanes);
  }
  for (; end - begin >= kLanes; begin += kLanes) a.add(begin);
  a.add(b);
  c.add(d);
  a.add(c);
  for (const Total lane :
       std::bit_cast<std::array<Total, static_cast<std::size_t>(kLanes)>>(a.vector)) {
    total += lane;
  }
  return static_cast<T>(total + static_cast<Total>(detail::sum_generic(begin, end)));
}

// item in every place: what a lane set loads to have it in every lane.
template <std::size_t Count, class T>
constexpr std::array<T, Count> copies(T item) {
  std::array<T, Count> all;
  all.fill(item);
  return all;
}

#if TAVIK_DETAIL_AVX2

inline bool avx2_available() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

#define TAVIK_AVX2 __attribute__((target("avx2,popcnt")))

// AVX2: 256-bit vectors. With no compress instruction, the kept lanes are
// packed by table: 4- and 8-byte lanes by a permutation of the eight 4-byte
// words, narrower lanes eight at a time by a byte shuffle (a table for more
// would not fit in cache).
template <VectorElement T>
struct Avx2Lanes {
  using Mask = unsigned;
  static constexpr int kLanes = 32 / sizeof(T);
  static constexpr Mask kAll = ~Mask{0} >> (32 - kLanes);
  __m256i vector;

  TAVIK_AVX2 explicit Avx2Lanes(T item)
      : vector(load(detail::copies<kLanes>(item).data())) {}

  TAVIK_AVX2 Mask equal(const T* block) const {
    const __m256i loaded = load(block);
    if constexpr (std::same_as<T, float>) {
      return static_cast<Mask>(_mm256_movemask_ps(_mm256_cmp_ps(
          _mm256_castsi256_ps(loaded), _mm256_castsi256_ps(vector), _CMP_EQ_OQ)));
    } else if constexpr (std::same_as<T, double>) {
      return static_cast<Mask>(_mm256_movemask_pd(_mm256_cmp_pd(
          _mm256_castsi256_pd(loaded), _mm256_castsi256_pd(vector), _CMP_EQ_OQ)));
    } else if constexpr (sizeof(T) == 1) {
      return static_cast<Mask>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(loaded, vector)));
    } else if constexpr (sizeof(T) == 2) {
      const __m256i equal = _mm256_cmpeq_epi16(loaded, vector);
      return static_cast<Mask>(_mm_movemask_epi8(_mm_packs_epi16(
          _mm256_castsi256_si128(equal), _mm256_extracti128_si256(equal, 1))));
    } else if constexpr (sizeof(T) == 4) {
      return static_cast<Mask>(
          _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(loaded, vector))));
    } else {
      return static_cast<Mask>(
          _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpeq_epi64(loaded, vector))));
    }
  }

  TAVIK_AVX2 static T* store_kept(T* to, const T* block, Mask keep) {
    const __m256i loaded = load(block);
    if constexpr (sizeof(T) >= 4) {
      const auto* words = kPackParts<kLanes, sizeof(T) / 4>[keep].data();
      const __m256i order =
          _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(words)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                          _mm256_permutevar8x32_epi32(loaded, order));
      return to + std::popcount(keep);
    } else {
      const __m128i low = _mm256_castsi256_si128(loaded);
      const __m128i high = _mm256_extracti128_si256(loaded, 1);
      if constexpr (sizeof(T) == 1) {
        to = store_eight(to, low, keep);
        to = store_eight(to, _mm_srli_si128(low, 8), keep >> 8);
        to = store_eight(to, high, keep >> 16);
        return store_eight(to, _mm_srli_si128(high, 8), keep >> 24);
      } else {
        to = store_eight(to, low, keep);
        return store_eight(to, high, keep >> 8);
      }
    }
  }

  TAVIK_AVX2 void store(T* to) const {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), vector);
  }

  TAVIK_AVX2 void add(const T* block) { vector = add(vector, load(block)); }
  TAVIK_AVX2 void add(const Avx2Lanes& other) { vector = add(vector, other.vector); }

 private:
  // Floating-point blocks load as such, so that the compiler sees equal's
  // load and store_kept's as one and reads the block once.
  TAVIK_AVX2 static __m256i load(const T* block) {
    if constexpr (std::same_as<T, float>) {
      return _mm256_castps_si256(_mm256_loadu_ps(block));
    } else if constexpr (std::same_as<T, double>) {
      return _mm256_castpd_si256(_mm256_loadu_pd(block));
    } else {
      return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    }
  }

  TAVIK_AVX2 static __m256i add(__m256i a, __m256i b) {
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

  // The eight lanes at the bottom of eight whose bits keep's low byte sets.
  TAVIK_AVX2 static T* store_eight(T* to, __m128i eight, Mask keep) {
    keep &= 0xFFu;
    const auto* order =
        reinterpret_cast<const __m128i*>(kPackParts<8, sizeof(T)>[keep].data());
    auto* packed = reinterpret_cast<__m128i*>(to);
    if constexpr (sizeof(T) == 1) {
      _mm_storel_epi64(packed, _mm_shuffle_epi8(eight, _mm_loadl_epi64(order)));
    } else {
      _mm_storeu_si128(packed, _mm_shuffle_epi8(eight, _mm_loadu_si128(order)));
    }
    return to + std::popcount(keep);
  }
};

// The entry points: each compiles the skeleton for its instruction set.
template <VectorElement T>
TAVIK_AVX2 T* remove_avx2(T* begin, T* end, T item) {
  return detail::remove_vector<detail::Avx2Lanes<T>>(begin, end, item);
}

template <VectorInteger T>
TAVIK_AVX2 T sum_avx2(const T* begin, const T* end) {
  return detail::sum_vector<detail::Avx2Lanes<T>>(begin, end);
}

#undef TAVIK_AVX2

#if TAVIK_AVX512_PATHS

// AVX-512F serves 4- and 8-byte lanes; narrower ones also need BW for their
// compares and VBMI2 for their compress. BMI2 makes the mask of the first
// lanes that a store of the kept ones alone takes.
template <VectorElement T>
bool avx512_available() {
  const bool foundation = __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("bmi2") &&
                          __builtin_cpu_supports("popcnt");
  if constexpr (sizeof(T) >= 4) {
    return foundation;
  } else {
    return foundation && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi2");
  }
}

#define TAVIK_AVX512 __attribute__((target("avx512f,bmi2,popcnt")))
#define TAVIK_AVX512_NARROW \
  __attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi2,popcnt")))

// AVX-512: 512-bit vectors and a compress instruction for every width. The
// kept lanes are compressed in a register, never in memory (compress to
// memory is microcoded and slow on Zen 4). They compress into the block's
// own register, the lanes past the kept ones keeping the block's values, so
// that each block's result depends on its own load alone: a zeroing compress
// into the one register GCC reuses every iteration waits on its previous
// value on Zen 4 and Zen 5, which chains the whole loop into one.
template <VectorElement T, bool kNarrow = (sizeof(T) < 4)>
struct Avx512Lanes {
  using Mask = unsigned;
  static constexpr int kLanes = 64 / sizeof(T);
  static constexpr Mask kAll = (Mask{1} << kLanes) - 1;
  __m512i vector;

  TAVIK_AVX512 explicit Avx512Lanes(T item)
      : vector(load(detail::copies<kLanes>(item).data())) {}

  TAVIK_AVX512 Mask equal(const T* block) const {
    const __m512i loaded = load(block);
    if constexpr (std::same_as<T, float>) {
      return _mm512_cmp_ps_mask(_mm512_castsi512_ps(loaded), _mm512_castsi512_ps(vector),
                                _CMP_EQ_OQ);
    } else if constexpr (std::same_as<T, double>) {
      return _mm512_cmp_pd_mask(_mm512_castsi512_pd(loaded), _mm512_castsi512_pd(vector),
                                _CMP_EQ_OQ);
    } else if constexpr (sizeof(T) == 4) {
      return _mm512_cmpeq_epi32_mask(loaded, vector);
    } else {
      return _mm512_cmpeq_epi64_mask(loaded, vector);
    }
  }

  TAVIK_AVX512 static T* store_kept(T* to, const T* block, Mask keep) {
    _mm512_storeu_si512(to, compressed(block, keep));
    return to + std::popcount(keep);
  }

  TAVIK_AVX512 static T* store_kept_only(T* to, const T* block, Mask keep) {
    const int kept = std::popcount(keep);
    const Mask first = _bzhi_u32(kAll, static_cast<unsigned>(kept));
    if constexpr (sizeof(T) == 4) {
      _mm512_mask_storeu_epi32(to, static_cast<__mmask16>(first),
                               compressed(block, keep));
    } else {
      _mm512_mask_storeu_epi64(to, static_cast<__mmask8>(first), compressed(block, keep));
    }
    return to + kept;
  }

  TAVIK_AVX512 void store(T* to) const { _mm512_storeu_si512(to, vector); }

  TAVIK_AVX512 void add(const T* block) { vector = add(vector, load(block)); }
  TAVIK_AVX512 void add(const Avx512Lanes& other) { vector = add(vector, other.vector); }

 private:
  // As Avx2Lanes::load.
  TAVIK_AVX512 static __m512i load(const T* block) {
    if constexpr (std::same_as<T, float>) {
      return _mm512_castps_si512(_mm512_loadu_ps(block));
    } else if constexpr (std::same_as<T, double>) {
      return _mm512_castpd_si512(_mm512_loadu_pd(block));
    } else {
      return _mm512_loadu_si512(block);
    }
  }

  TAVIK_AVX512 static __m512i add(__m512i a, __m512i b) {
    if constexpr (sizeof(T) == 4) {
      return _mm512_add_epi32(a, b);
    } else {
      return _mm512_add_epi64(a, b);
    }
  }

  TAVIK_AVX512 static __m512i compressed(const T* block, Mask keep) {
    const __m512i loaded = load(block);
    if constexpr (sizeof(T) == 4) {
      return _mm512_mask_compress_epi32(loaded, static_cast<__mmask16>(keep), loaded);
    } else {
      return _mm512_mask_compress_epi64(loaded, static_cast<__mmask8>(keep), loaded);
    }
  }
};

// Byte and 2-byte lanes.
template <VectorElement T>
struct Avx512Lanes<T, true> {
  using Mask = std::conditional_t<sizeof(T) == 1, std::uint64_t, unsigned>;
  static constexpr int kLanes = 64 / sizeof(T);
  static constexpr Mask kAll = ~Mask{0};
  __m512i vector;

  TAVIK_AVX512_NARROW explicit Avx512Lanes(T item)
      : vector(_mm512_loadu_si512(detail::copies<kLanes>(item).data())) {}

  TAVIK_AVX512_NARROW Mask equal(const T* block) const {
    const __m512i loaded = _mm512_loadu_si512(block);
    if constexpr (sizeof(T) == 1) {
      return _mm512_cmpeq_epi8_mask(loaded, vector);
    } else {
      return _mm512_cmpeq_epi16_mask(loaded, vector);
    }
  }

  TAVIK_AVX512_NARROW static T* store_kept(T* to, const T* block, Mask keep) {
    _mm512_storeu_si512(to, compressed(block, keep));
    return to + std::popcount(keep);
  }

  TAVIK_AVX512_NARROW static T* store_kept_only(T* to, const T* block, Mask keep) {
    const int kept = std::popcount(keep);
    if constexpr (sizeof(T) == 1) {
      _mm512_mask_storeu_epi8(to, _bzhi_u64(kAll, static_cast<unsigned>(kept)),
                              compressed(block, keep));
    } else {
      _mm512_mask_storeu_epi16(to, _bzhi_u32(kAll, static_cast<unsigned>(kept)),
                               compressed(block, keep));
    }
    return to + kept;
  }

  TAVIK_AVX512_NARROW void store(T* to) const { _mm512_storeu_si512(to, vector); }

  TAVIK_AVX512_NARROW void add(const T* block) {
    vector = add(vector, _mm512_loadu_si512(block));
  }
  TAVIK_AVX512_NARROW void add(const Avx512Lanes& other) {
    vector = add(vector, other.vector);
  }

 private:
  TAVIK_AVX512_NARROW static __m512i add(__m512i a, __m512i b) {
    if constexpr (sizeof(T) == 1) {
      return _mm512_add_epi8(a, b);
    } else {
      return _mm512_add_epi16(a, b);
    }
  }

  // As the wider lanes' compressed.
  TAVIK_AVX512_NARROW static __m512i compressed(const T* block, Mask keep) {
    const __m512i loaded = _mm512_loadu_si512(block);
    if constexpr (sizeof(T) == 1) {
      return _mm512_mask_compress_epi8(loaded, keep, loaded);
    } else {
      return _mm512_mask_compress_epi16(loaded, keep, loaded);
    }
  }
};

// Compiled for AVX-512F alone where that serves, so that nothing only a
// VBMI2 processor has reaches a 4- or 8-byte path.
template <VectorElement T, Store kForm = Store::by_size>
TAVIK_AVX512 T* remove_avx512(T* begin, T* end, T item) requires(sizeof(T) >= 4) {
  return detail::remove_vector<detail::Avx512Lanes<T>, kForm>(begin, end, item);
}

template <VectorElement T, Store kForm = Store::by_size>
TAVIK_AVX512_NARROW T* remove_avx512(T* begin, T* end, T item) requires(sizeof(T) < 4) {
  return detail::remove_vector<detail::Avx512Lanes<T>, kForm>(begin, end, item);
}

template <VectorInteger T>
TAVIK_AVX512 T sum_avx512(const T* begin, const T* end) requires(sizeof(T) >= 4) {
  return detail::sum_vector<detail::Avx512Lanes<T>>(begin, end);
}

template <VectorInteger T>
TAVIK_AVX512_NARROW T sum_avx512(const T* begin, const T* end) requires(sizeof(T) < 4) {
  return detail::sum_vector<detail::Avx512Lanes<T>>(begin, end);
}

#undef TAVIK_AVX512
#undef TAVIK_AVX512_NARROW

#endif  // TAVIK_AVX512_PATHS

#endif  // TAVIK_DETAIL_AVX2

#if TAVIK_DETAIL_NEON

// NEON: 128-bit vectors. With no mask instruction, equal weighs each lane of
// the compare by its bit and adds across; with no compress, the kept lanes
// are packed by a table lookup, 2-, 4- and 8-byte lanes over the vector's 16
// bytes, byte lanes eight at a time (a table for 16 would not fit in cache).
template <VectorElement T>
struct NeonLanes {
  using Mask = unsigned;
  static constexpr int kLanes = 16 / sizeof(T);
  static constexpr Mask kAll = (Mask{1} << kLanes) - 1;
  uint8x16_t vector;

  explicit NeonLanes(T item) : vector(load(detail::copies<kLanes>(item).data())) {}

  Mask equal(const T* block) const {
    const uint8x16_t loaded = load(block);
    if constexpr (std::same_as<T, float>) {
      return mask(vreinterpretq_u8_u32(
          vceqq_f32(vreinterpretq_f32_u8(loaded), vreinterpretq_f32_u8(vector))));
    } else if constexpr (std::same_as<T, double>) {
      return mask(vreinterpretq_u8_u64(
          vceqq_f64(vreinterpretq_f64_u8(loaded), vreinterpretq_f64_u8(vector))));
    } else if constexpr (sizeof(T) == 1) {
      return mask(vceqq_u8(loaded, vector));
    } else if constexpr (sizeof(T) == 2) {
      return mask(vreinterpretq_u8_u16(
          vceqq_u16(vreinterpretq_u16_u8(loaded), vreinterpretq_u16_u8(vector))));
    } else if constexpr (sizeof(T) == 4) {
      return mask(vreinterpretq_u8_u32(
          vceqq_u32(vreinterpretq_u32_u8(loaded), vreinterpretq_u32_u8(vector))));
    } else {
      return mask(vreinterpretq_u8_u64(
          vceqq_u64(vreinterpretq_u64_u8(loaded), vreinterpretq_u64_u8(vector))));
    }
  }

  static T* store_kept(T* to, const T* block, Mask keep) {
    const uint8x16_t loaded = load(block);
    if constexpr (sizeof(T) == 1) {
      to = store_eight(to, vget_low_u8(loaded), keep);
      return store_eight(to, vget_high_u8(loaded), keep >> 8);
    } else {
      const std::uint8_t* const bytes = kPackParts<kLanes, sizeof(T)>[keep].data();
      const uint8x16_t order = vld1q_u8(bytes);
      vst1q_u8(reinterpret_cast<std::uint8_t*>(to), vqtbl1q_u8(loaded, order));
      return to + std::popcount(keep);
    }
  }

  void store(T* to) const { vst1q_u8(reinterpret_cast<std::uint8_t*>(to), vector); }

  void add(const T* block) { vector = add(vector, load(block)); }
  void add(const NeonLanes& other) { vector = add(vector, other.vector); }

 private:
  using LaneBits = std::conditional_t<
      sizeof(T) == 1, std::uint8_t,
      std::conditional_t<
          sizeof(T) == 2, std::uint16_t,
          std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

  // Each lane's bit in its mask, within a byte for byte lanes.
  static constexpr auto kLaneBits = [] {
    std::array<LaneBits, static_cast<std::size_t>(kLanes)> bits{};
    for (std::size_t lane = 0; lane < bits.size(); ++lane) {
      bits[lane] = static_cast<LaneBits>(1U << (lane % 8));
    }
    return bits;
  }();

  static uint8x16_t load(const T* block) {
    return vld1q_u8(reinterpret_cast<const std::uint8_t*>(block));
  }

  // equal's lanes, all ones or all zeros, as a Mask.
  static Mask mask(uint8x16_t equal) {
    const uint8x16_t bits = vandq_u8(
        equal, vld1q_u8(reinterpret_cast<const std::uint8_t*>(kLaneBits.data())));
    if constexpr (sizeof(T) == 1) {
      return vaddv_u8(vget_low_u8(bits)) | (Mask{vaddv_u8(vget_high_u8(bits))} << 8);
    } else if constexpr (sizeof(T) == 2) {
      return vaddvq_u16(vreinterpretq_u16_u8(bits));
    } else if constexpr (sizeof(T) == 4) {
      return vaddvq_u32(vreinterpretq_u32_u8(bits));
    } else {
      return static_cast<Mask>(vaddvq_u64(vreinterpretq_u64_u8(bits)));
    }
  }

  static uint8x16_t add(uint8x16_t a, uint8x16_t b) {
    if constexpr (sizeof(T) == 1) {
      return vaddq_u8(a, b);
    } else if constexpr (sizeof(T) == 2) {
      return vreinterpretq_u8_u16(
          vaddq_u16(vreinterpretq_u16_u8(a), vreinterpretq_u16_u8(b)));
    } else if constexpr (sizeof(T) == 4) {
      return vreinterpretq_u8_u32(
          vaddq_u32(vreinterpretq_u32_u8(a), vreinterpretq_u32_u8(b)));
    } else {
      return vreinterpretq_u8_u64(
          vaddq_u64(vreinterpretq_u64_u8(a), vreinterpretq_u64_u8(b)));
    }
  }

  // The eight byte lanes at the bottom of eight whose bits keep's low byte
  // sets.
  static T* store_eight(T* to, uint8x8_t eight, Mask keep) {
    keep &= 0xFFU;
    const std::uint8_t* const bytes = kPackParts<8, 1>[keep].data();
    vst1_u8(reinterpret_cast<std::uint8_t*>(to), vtbl1_u8(eight, vld1_u8(bytes)));
    return to + std::popcount(keep);
  }
};

template <VectorElement T>
T* remove_neon(T* begin, T* end, T item) {
  return detail::remove_vector<detail::NeonLanes<T>>(begin, end, item);
}

template <VectorInteger T>
T sum_neon(const T* begin, const T* end) {
  return detail::sum_vector<detail::NeonLanes<T>>(begin, end);
}

#endif  // TAVIK_DETAIL_NEON

#endif  // TAVIK_VECTOR_PATHS

// The one test that chooses a vector path for T, or otherwise where this
// processor or build has none: sum and remove take the path it names, and
// sum_path and remove_path report it, so the report and the call agree.
template <VectorElement T>
Path vector_path(Path otherwise) noexcept {
#if TAVIK_AVX512_PATHS
  if (detail::avx512_available<T>()) return Path::avx512;
#endif
#if TAVIK_DETAIL_AVX2
  if (detail::avx2_available()) return Path::avx2;
#endif
#if TAVIK_DETAIL_NEON
  static_cast<void>(otherwise);
  return Path::neon;
#else
  return otherwise;
#endif
}

// sum and remove on the path that path names. The if constexpr only keeps
// out what cannot compile for T; path alone decides.
template <Summable T>
T sum_on(Path path, const T* begin, const T* end) {
  if constexpr (VectorInteger<T>) {
#if TAVIK_AVX512_PATHS
    if (path == Path::avx512) return detail::sum_avx512(begin, end);
#endif
#if TAVIK_DETAIL_AVX2
    if (path == Path::avx2) return detail::sum_avx2(begin, end);
#endif
#if TAVIK_DETAIL_NEON
    if (path == Path::neon) return detail::sum_neon(begin, end);
#endif
  }
  static_cast<void>(path);
  return detail::sum_generic(begin, end);
}

template <class T, class U>
T* remove_on(Path path, T* begin, T* end, U item) requires Removable<T, U> {
  if constexpr (VectorElement<T> && std::same_as<T, U>) {
#if TAVIK_AVX512_PATHS
    if (path == Path::avx512) return detail::remove_avx512(begin, end, item);
#endif
#if TAVIK_DETAIL_AVX2
    if (path == Path::avx2) return detail::remove_avx2(begin, end, item);
#endif
#if TAVIK_DETAIL_NEON
    if (path == Path::neon) return detail::remove_neon(begin, end, item);
#endif
  }
  if constexpr (std::is_trivially_copyable_v<T>) {
    if (path == Path::branchless)
      return detail::remove_branchless(begin, end, std::move(item));
  }
  return detail::remove_generic(begin, end, std::move(item));
}

}  // namespace detail

// The path that sum over T, and remove over T with an item of type U, take
// on this processor at run time; constant evaluation takes the plain loops.
// An integer item of another type takes the element type's own path (or
// none, when no element can equal it).
template <Summable T>
[[nodiscard]] Path sum_path() noexcept {
  if constexpr (detail::VectorInteger<T>) {
    return detail::vector_path<T>(Path::plain);
  } else {
    return Path::plain;
  }
}

template <class T, class U = T>
[[nodiscard]] Path remove_path() noexcept requires Removable<T, U> {
  constexpr Path loop = std::is_trivially_copyable_v<T> ? Path::branchless : Path::plain;
  if constexpr (detail::OtherInteger<T, U>) {
    return Tavik::remove_path<T>();
  } else if constexpr (detail::VectorElement<T> && std::same_as<T, U>) {
    return detail::vector_path<T>(loop);
  } else {
    return loop;
  }
}

// Returns T{} plus every element of [begin, end), in order. Integers are
// added modulo 2^N in any order, so the total is exact whenever it fits T,
// whatever the partial sums do. The total has the element type: there is no
// wider accumulator. The elements may be const.
template <Summable T>
[[nodiscard]] constexpr T sum(const T* begin, const T* end) {
  if (std::is_constant_evaluated()) return detail::sum_generic(begin, end);
  return detail::sum_on(Tavik::sum_path<T>(), begin, end);
}

// The same over contiguous iterators or a contiguous range.
template <ContiguousIterator It>
requires Summable<std::iter_value_t<It>>
[[nodiscard]] constexpr std::iter_value_t<It> sum(It begin, It end) {
  return Tavik::sum(std::to_address(begin), std::to_address(end));
}

template <ContiguousRange R>
requires Summable<std::ranges::range_value_t<R>>
[[nodiscard]] constexpr std::ranges::range_value_t<R> sum(R&& range) {
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
[[nodiscard]] constexpr T* remove(T* begin, T* end, U item) {
  if constexpr (detail::OtherInteger<T, U>) {
    if (!detail::some_element_can_equal<T>(item)) return end;
    return Tavik::remove(begin, end, static_cast<T>(item));
  } else {
    if (std::is_constant_evaluated()) {
      return detail::remove_generic(begin, end, std::move(item));
    }
    return detail::remove_on(Tavik::remove_path<T, U>(), begin, end, std::move(item));
  }
}

// The same over contiguous iterators or a contiguous range, returning their
// iterator at the new end, so that v.erase(Tavik::remove(v, x), v.end()) works.
template <ContiguousIterator It, class U = std::iter_value_t<It>>
requires Removable<std::remove_reference_t<std::iter_reference_t<It>>, U>
[[nodiscard]] constexpr It remove(It begin, It end, U item) {
  const auto first = std::to_address(begin);
  return begin + (Tavik::remove(first, std::to_address(end), std::move(item)) - first);
}

template <ContiguousRange R, class U = std::ranges::range_value_t<R>>
requires Removable<std::remove_reference_t<std::ranges::range_reference_t<R>>, U>
[[nodiscard]] constexpr std::ranges::borrowed_iterator_t<R> remove(R&& range, U item) {
  const auto begin = std::ranges::begin(range);
  return Tavik::remove(begin, begin + std::ranges::ssize(range), std::move(item));
}

// C++20's std::erase for a contiguous container with erase(first, last)
// (std::vector, std::basic_string, ...): removes as remove does, erases the
// places past the new end and returns how many elements went.
template <ContiguousRange C, class U = std::ranges::range_value_t<C>>
requires Removable<std::ranges::range_value_t<C>, U> &&
    requires(C& container, std::ranges::iterator_t<C> at) {
  container.erase(at, at);
}
constexpr std::ranges::range_size_t<C> erase(C& container, U item) {
  const auto kept = Tavik::remove(container, std::move(item));
  const auto end = std::ranges::end(container);
  const auto erased = static_cast<std::ranges::range_size_t<C>>(end - kept);
  container.erase(kept, end);
  return erased;
}

// Writes the elements of [begin, end) to out, separated by ", ", then ends
// the line and flushes. end may be a sentinel of another type. The forms
// without a stream write to standard output.
template <Displayable It, std::sentinel_for<It> Sentinel>
void display(std::ostream& out, It begin, Sentinel end) {
  for (It p = std::move(begin); p != end;) {
    out << *p;
    if (++p != end) out << ", ";
  }
  out << std::endl;
}

template <Displayable It, std::sentinel_for<It> Sentinel>
void display(It begin, Sentinel end) {
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

// Calls that the forms above cannot take stop at one error that says what
// is needed and what to use instead, rather than at a page of unsatisfied
// constraints. Each returns what the form it stands for would, so that the
// caller's use of the result adds no error of its own.
namespace detail {

template <class...>
inline constexpr bool kNever = false;

// Declared only: no call of it compiles, since its caller's does not.
template <class T>
T no_result();

template <class It>
concept NotContiguousIterator =
    std::input_or_output_iterator<It> && !std::contiguous_iterator<It>;

template <class R>
concept NotContiguousRange = std::ranges::range<R> && !ContiguousRange<R>;

template <class Out>
concept Stream = std::is_convertible_v<Out, std::ostream&>;

template <class It, class Sentinel>
concept DisplayablePositions = Displayable<std::decay_t<It>> &&
    std::sentinel_for<std::decay_t<Sentinel>, std::decay_t<It>>;

}  // namespace detail

template <detail::NotContiguousIterator It, class Sentinel>
std::iter_value_t<It> sum(It, Sentinel) {
  static_assert(detail::kNever<It>,
                "Tavik::sum needs a contiguous range: pointers, or iterators of a "
                "std::vector, std::array, std::string or std::span; for other ranges "
                "use std::reduce or std::accumulate");
  return detail::no_result<std::iter_value_t<It>>();
}

template <detail::NotContiguousRange R>
std::ranges::range_value_t<R> sum(R&&) {
  static_assert(detail::kNever<R>,
                "Tavik::sum needs a contiguous range: a std::vector, std::array, "
                "std::string, std::span or C array; for other ranges use std::reduce "
                "or std::accumulate");
  return detail::no_result<std::ranges::range_value_t<R>>();
}

template <detail::NotContiguousIterator It, class Sentinel, class U>
It remove(It, Sentinel, U) {
  static_assert(detail::kNever<It>,
                "Tavik::remove needs a contiguous range: pointers, or iterators of a "
                "std::vector, std::array, std::string or std::span; for std::list, "
                "std::deque and other ranges use std::remove or std::erase");
  return detail::no_result<It>();
}

template <detail::NotContiguousRange R, class U>
std::ranges::borrowed_iterator_t<R> remove(R&&, U) {
  static_assert(detail::kNever<R>,
                "Tavik::remove needs a contiguous range: a std::vector, std::array, "
                "std::string, std::span or C array; for std::list, std::deque and "
                "other ranges use std::remove or std::erase");
  return detail::no_result<std::ranges::borrowed_iterator_t<R>>();
}

template <detail::NotContiguousRange C, class U>
std::size_t erase(C&, U) {
  static_assert(detail::kNever<C>,
                "Tavik::erase needs a contiguous container with erase(first, last), "
                "such as std::vector or std::basic_string; for std::list, std::deque "
                "and others use std::erase");
  return 0;
}

#define TAVIK_DETAIL_DISPLAY_NEEDS                                                \
  "Tavik::display needs a forward range, or a forward iterator and its end, "     \
  "whose elements the stream's << writes, after an optional std::ostream; for a " \
  "single-pass range, write the loop"

template <class R>
requires(!DisplayableRange<R>) void display(R&&) {
  static_assert(detail::kNever<R>, TAVIK_DETAIL_DISPLAY_NEEDS);
}

template <class A, class B>
requires(!detail::DisplayablePositions<A, B> &&
         !(detail::Stream<A> && DisplayableRange<B>)) void display(A&&, B&&) {
  static_assert(detail::kNever<A>, TAVIK_DETAIL_DISPLAY_NEEDS);
}

template <class Out, class It, class Sentinel>
requires(!(detail::Stream<Out> &&
           detail::DisplayablePositions<It, Sentinel>)) void display(Out&&, It&&,
                                                                     Sentinel&&) {
  static_assert(detail::kNever<Out>, TAVIK_DETAIL_DISPLAY_NEEDS);
}

#undef TAVIK_DETAIL_DISPLAY_NEEDS

}  // namespace TAVIK_DETAIL_PATHS_NAMESPACE
}  // namespace Tavik

#endif  // !TAVIK_DETAIL_STOP
#endif  // TAVIK_FUNCTIONS_H
