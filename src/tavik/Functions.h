// SPDX-License-Identifier: BSL-1.0
// <tavik/Functions.h>: totals, in-place removal and one-line display over
// contiguous arrays of any element type, exact to the letter of their plain
// loops and fast where the standard ones branch unpredictably.
// docs/reference.md states each contract in full.
//
// namespace Tavik {
//   // T{} plus every element, in order, in the element type.
//   template <Summable T> constexpr T sum(const T* begin, const T* end);
//   template <ContiguousIterator It> constexpr iter_value_t<It> sum(It begin, It end);
//   template <ContiguousRange R> constexpr range value type sum(R&& range);
//
//   // Takes out every element e with item == e (remove) or pred(e) (remove_if),
//   // keeps the rest in order, and returns the new end; every place past it
//   // holds the range's original last element (copyable elements), or what
//   // moving the kept ones down left there (move-only elements).
//   template <class T, class U = T> requires Removable<T, U>
//     constexpr T* remove(T* begin, T* end, U item);
//   template <ContiguousIterator It, class U>
//     constexpr It remove(It begin, It end, U item);
//   template <ContiguousRange R, class U>
//     constexpr iterator remove(R&& range, U item);
//   template <class T, class Pred> requires RemovableIf<T, Pred>
//     constexpr T* remove_if(T* begin, T* end, Pred pred);
//   template <ContiguousIterator It, class Pred>
//     constexpr It remove_if(It begin, It end, Pred pred);
//   template <ContiguousRange R, class Pred>
//     constexpr iterator remove_if(R&& range, Pred pred);
//
//   // std::erase and std::erase_if for a contiguous container with
//   // erase(first, last): the kept elements moved down, the rest erased;
//   // how many elements went.
//   template <ErasableContainer C, class U> constexpr size erase(C& container, U item);
//   template <ErasableContainer C, class Pred>
//     constexpr size erase_if(C& container, Pred pred);
//
//   // The elements separated by ", ", then std::endl; to std::cout by default.
//   template <Displayable It, sentinel_for<It> S>
//     void display([std::ostream& out,] It begin, S end);
//   template <DisplayableRange R> void display([std::ostream& out,] R&& range);
//
//   // The path sum over T, and remove over T with an item of type U, take on
//   // this processor; remove_path<T>() is also remove_if's over T.
//   enum class Path { plain, branchless, avx2, avx512, neon, blocks };
//   std::ostream& operator<<(std::ostream& out, Path path);  // "plain", ...
//   template <Summable T> Path sum_path() noexcept;
//   template <class T, class U = T> Path remove_path() noexcept;
//
//   // The version that runs: the compiled library's, or the header's own.
//   int version() noexcept;  // TAVIK_VERSION (<tavik/Version.h>), 10400 for 1.4.0
// }
//
// sum, remove and remove_if, and the path queries, are [[nodiscard]]. The
// switches, TAVIK_VECTOR_PATHS, TAVIK_AVX512_PATHS and TAVIK_COMPILED_KERNELS,
// are read in detail/Config.h.
#ifndef TAVIK_FUNCTIONS_H
#define TAVIK_FUNCTIONS_H

#include "detail/Config.h"

#if !defined(TAVIK_DETAIL_STOP)

#include <iostream>
#include <iterator>
#include <ostream>
#include <type_traits>
#include <utility>

// What the forms stand on, each on the one before: the requirements, the
// plain loops, which define what sum, remove and remove_if do; the vector
// kernels, declared (and, in the header-only form, defined); and the one
// boundary that chooses between them.
#include "detail/Dispatch.h"

namespace Tavik {
inline namespace TAVIK_DETAIL_ABI_NAMESPACE {

// Writes the enumerator's name: "plain", "avx512", ...
inline std::ostream& operator<<(std::ostream& out, Path path) {
  switch (path) {
    case Path::plain: return out << "plain";
    case Path::branchless: return out << "branchless";
    case Path::avx2: return out << "avx2";
    case Path::avx512: return out << "avx512";
    case Path::neon: return out << "neon";
    case Path::blocks: return out << "blocks";
  }
  return out << "Path(" << static_cast<int>(path) << ")";
}

}  // namespace TAVIK_DETAIL_ABI_NAMESPACE
}  // namespace Tavik

TAVIK_DETAIL_BEGIN_NAMESPACE

// The path that sum over T, and remove over T with an item of type U, take
// on this processor at run time; constant evaluation takes the plain loops.
// An integer item of another type takes the element type's own path (or
// none, when no element can equal it). remove_if over T takes the path of
// remove_path<T>(), which answers for any element type, with == or without;
// erase and erase_if take those of remove and remove_if.
template <Summable T>
[[nodiscard]] Path sum_path() noexcept {
  if constexpr (detail::VectorInteger<T>) {
    return detail::vector_path<T>(Path::plain);
  } else {
    return Path::plain;
  }
}

template <class T, class U = T>
[[nodiscard]] Path remove_path() noexcept requires Removable<T, U> ||
    (std::same_as<T, U>&& Element<T>) {
  return detail::remove_path_of<T, U>();
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
requires Summable<detail::ValueOf<R>>
[[nodiscard]] constexpr detail::ValueOf<R> sum(R&& range) {
  const auto begin = std::ranges::begin(range);
  return Tavik::sum(begin, begin + std::ranges::ssize(range));
}

// Takes every element e with item == e out of [begin, end) and returns the
// new end. [begin, new end) keeps the other elements in their order, each
// copied down once where it moves (moved, for move-only elements); every
// place in [new end, end) holds the range's original last element, which is
// what shifting the rest down on each match would have left there (for
// move-only elements, what moving left there, as std::remove leaves it).
// Compares each element once, as item == element, and assigns only where
// shifting would: nothing if nothing matches.
//
// item is the caller's value, not converted to T, so it compares as it would
// in the caller's own ==; it is a copy, so it may name an element of the range.
template <class T, class U = T>
requires Removable<T, U>
[[nodiscard]] constexpr T* remove(T* begin, T* end, U item) {
  return detail::remove_leaving<detail::kRemoveLeaves<T>>(begin, end, item);
}

// The same over contiguous iterators or a contiguous range, returning their
// iterator at the new end, so that v.erase(Tavik::remove(v, x), v.end()) works.
template <ContiguousIterator It, class U = std::iter_value_t<It>>
requires Removable<std::remove_reference_t<std::iter_reference_t<It>>, U>
[[nodiscard]] constexpr It remove(It begin, It end, U item) {
  const auto first = detail::address_of(begin, end);
  return begin + (Tavik::remove(first, first + (end - begin), std::move(item)) - first);
}

template <ContiguousRange R, class U = detail::ValueOf<R>>
requires Removable<std::remove_reference_t<detail::ReferenceOf<R>>, U>
[[nodiscard]] constexpr detail::BorrowedIteratorOf<R> remove(R&& range, U item) {
  const auto begin = std::ranges::begin(range);
  return Tavik::remove(begin, begin + std::ranges::ssize(range), std::move(item));
}

// As remove, taking out every element e for which pred(e) is true: pred is
// called through std::invoke's rules, once for each element, in order from
// the first, on the element where it stands (an lvalue, as std::remove_if
// passes it), and its result is read as a bool. pred is the caller's object,
// never copied between calls, so its state is what the plain loop shows it.
// Should pred read the range, then asked about the element at place i it
// finds the elements from some place m on as they were, and before m, at
// the start and in order, those of the first m that it left, where
// i - 255 <= m <= i: a path asks up to 256 elements before it moves any.
// Should pred throw, the exception passes out, and the range holds at its
// start, in order, the elements before that one that pred left; that one
// and every element after it where they were; and in the places between,
// elements of the range, or elements moved from.
template <class T, class Pred>
requires RemovableIf<T, Pred>
[[nodiscard]] constexpr T* remove_if(T* begin, T* end, Pred pred) {
  return detail::remove_if_leaving<detail::kRemoveLeaves<T>>(begin, end, pred);
}

template <ContiguousIterator It, class Pred>
requires RemovableIf<std::remove_reference_t<std::iter_reference_t<It>>, Pred>
[[nodiscard]] constexpr It remove_if(It begin, It end, Pred pred) {
  const auto first = detail::address_of(begin, end);
  return begin +
         (Tavik::remove_if(first, first + (end - begin), std::move(pred)) - first);
}

template <ContiguousRange R, class Pred>
requires RemovableIf<std::remove_reference_t<detail::ReferenceOf<R>>, Pred>
[[nodiscard]] constexpr detail::BorrowedIteratorOf<R> remove_if(R&& range, Pred pred) {
  const auto begin = std::ranges::begin(range);
  return Tavik::remove_if(begin, begin + std::ranges::ssize(range), std::move(pred));
}

// C++20's std::erase and std::erase_if for a contiguous container with
// erase(first, last) (std::vector, std::basic_string, ...): take out what
// remove and remove_if take out, moving each kept element down once where it
// moves (as std::erase_if does, for any element type it takes, move-only ones
// included), then erase the places past the new end without assigning to
// them first, and return how many elements went. Should pred, == or a move
// throw, nothing is erased.

template <ErasableContainer C, class U = detail::ValueOf<C>>
requires Removable<detail::ValueOf<C>, U>
constexpr detail::SizeOf<C> erase(C& container, U item) {
  auto* const first = std::ranges::data(container);
  auto* const end = first + std::ranges::size(container);
  return detail::erase_past(
      container,
      detail::remove_leaving<detail::Vacated::moved_from>(first, end, item) - first);
}

template <ErasableContainer C, class Pred>
requires RemovableIf<detail::ValueOf<C>, Pred>
constexpr detail::SizeOf<C> erase_if(C& container, Pred pred) {
  auto* const first = std::ranges::data(container);
  auto* const end = first + std::ranges::size(container);
  return detail::erase_past(
      container,
      detail::remove_if_leaving<detail::Vacated::moved_from>(first, end, pred) - first);
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

// TAVIK_VERSION of the code that runs: in the compiled form the library's,
// which a program may find newer than the header it was built with (a later
// patch release); header-only, the header's.
[[nodiscard]] inline int version() noexcept {
#if TAVIK_COMPILED_KERNELS
  return detail::library_version();
#else
  return TAVIK_VERSION;
#endif
}

TAVIK_DETAIL_END_NAMESPACE

// Calls that the forms above cannot take, each stopped at one error that says
// what is needed and what to use instead.
#include "detail/Misuse.h"

// What only the header's own files use ends here.
#include "detail/ConfigEnd.h"

#endif  // !TAVIK_DETAIL_STOP
#endif  // TAVIK_FUNCTIONS_H
