// SPDX-License-Identifier: BSL-1.0
// Generic range algorithms over contiguous arrays: total, in-place removal
// and one-line display. They keep no state and allocate nothing.
#ifndef TAVIK_FUNCTIONS_H
#define TAVIK_FUNCTIONS_H

// The version: CMake and pkg-config read it from here; meson.build repeats
// it and checks it against this.
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
// alone. TAVIK_COMPILED_KERNELS=1, which the build system sets where it
// links the compiled library, declares the vector kernels instead of
// defining them. Each is always defined, to 0 or 1, so that -Wundef catches
// a misspelt test of it.
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
#elif defined(TAVIK_COMPILED_KERNELS) && !TAVIK_DETAIL_IS_BIT(TAVIK_COMPILED_KERNELS)
#error "TAVIK_COMPILED_KERNELS must be 0 or 1"
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

#if !defined(TAVIK_COMPILED_KERNELS)
#define TAVIK_COMPILED_KERNELS 0
#endif
#endif  // !TAVIK_DETAIL_STOP

#if !defined(TAVIK_DETAIL_STOP)

#include <concepts>
#include <cstddef>
#include <iostream>
#include <iterator>
#include <ostream>
#include <ranges>
#include <type_traits>
#include <utility>

// Which vector paths this build has.
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_X86_64
#define TAVIK_DETAIL_AVX2 1
#else
#define TAVIK_DETAIL_AVX2 0
#endif
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_AARCH64
#define TAVIK_DETAIL_NEON 1
#else
#define TAVIK_DETAIL_NEON 0
#endif

// Everything is in a namespace named after the version, so that a program
// cannot mix a header and a compiled library of two versions: the link
// fails, naming the kernel it misses.
#define TAVIK_DETAIL_VERSION_NAMESPACE                                        \
  TAVIK_DETAIL_VERSION_NAMESPACE_OF(TAVIK_VERSION_MAJOR, TAVIK_VERSION_MINOR, \
                                    TAVIK_VERSION_PATCH)
#define TAVIK_DETAIL_VERSION_NAMESPACE_OF(major, minor, patch) \
  TAVIK_DETAIL_VERSION_PASTED(major, minor, patch)
#define TAVIK_DETAIL_VERSION_PASTED(major, minor, patch) v##major##_##minor##_##patch

// What the switches change, the choice of path, lives in a namespace named
// after them too, so that files built with different switches and linked
// into one program each keep their own paths, whatever the link order: the
// templates instantiated under one setting are other functions to the
// linker than those under another. The kernels themselves are the same
// under every setting that has them.
#if TAVIK_VECTOR_PATHS && TAVIK_AVX512_PATHS
#define TAVIK_DETAIL_PATHS_NAMESPACE vector_paths_with_avx512
#elif TAVIK_VECTOR_PATHS
#define TAVIK_DETAIL_PATHS_NAMESPACE vector_paths
#else
#define TAVIK_DETAIL_PATHS_NAMESPACE no_vector_paths
#endif

namespace Tavik {
inline namespace TAVIK_DETAIL_VERSION_NAMESPACE {

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

}  // namespace TAVIK_DETAIL_VERSION_NAMESPACE
}  // namespace Tavik

// What the forms below stand on, each on the one before: the plain loops,
// which define what sum and remove do; the vector kernels, declared (and, in
// the header-only form, defined); and the one boundary that chooses between
// them.
#include "detail/Loops.h"

#include "detail/Kernels.h"

#include "detail/Dispatch.h"

namespace Tavik {
inline namespace TAVIK_DETAIL_VERSION_NAMESPACE {
inline namespace TAVIK_DETAIL_PATHS_NAMESPACE {

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
  const auto* const first = detail::address_of(begin, end);
  return Tavik::sum(first, first + (end - begin));
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
  const auto first = detail::address_of(begin, end);
  return begin + (Tavik::remove(first, first + (end - begin), std::move(item)) - first);
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
}  // namespace TAVIK_DETAIL_PATHS_NAMESPACE

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

inline namespace TAVIK_DETAIL_PATHS_NAMESPACE {

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
  return detail::no_result<std::size_t>();
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
}  // namespace TAVIK_DETAIL_VERSION_NAMESPACE
}  // namespace Tavik

#endif  // !TAVIK_DETAIL_STOP
#endif  // TAVIK_FUNCTIONS_H
