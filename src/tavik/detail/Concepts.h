// SPDX-License-Identifier: BSL-1.0
// What the public forms require of their arguments; part of
// <tavik/Functions.h>, where the synopsis lists them.
#ifndef TAVIK_DETAIL_CONCEPTS_H
#define TAVIK_DETAIL_CONCEPTS_H

#include <concepts>
#include <iosfwd>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>

#include "Config.h"

namespace Tavik {
inline namespace TAVIK_DETAIL_ABI_NAMESPACE {

// The elements a removal takes: it assigns the kept ones to their places,
// copies where the element is copyable and moves otherwise, so they must be
// move-assignable, and it reads an element more than once or several at a
// time, so volatile ones are refused (C++20 deprecates volatile parameters
// and results, too).
template <class T>
concept Element =
    std::is_object_v<T> && !std::is_volatile_v<T> && std::is_move_assignable_v<T>;

template <class T>
concept Summable = !std::is_volatile_v<T> && std::copyable<T> &&
                   std::default_initializable<T> && requires(const T& a, const T& b) {
  { a + b } -> std::convertible_to<T>;
};

// As remove compares: item, its own copy of what the caller gave, on the left
// of an element, the result read as a bool (an explicit operator bool will
// do, as for std::remove).
template <class T, class U = T>
concept Removable = Element<T> && requires(U& item, T& element) {
  static_cast<bool>(item == element);
};

// As remove_if asks: the caller's predicate, called through std::invoke with
// the element as an lvalue, the result read as a bool.
template <class T, class Pred>
concept RemovableIf = Element<T> && std::invocable<Pred&, T&> &&
    std::is_constructible_v<bool, std::invoke_result_t<Pred&, T&>>;

// The few names of <ranges> that the forms need, written over the access
// functions that <iterator> declares (std::ranges::begin, end, size, data):
// <ranges> itself made a user's file take 1.12 times as long to compile
// (g++ 12 -O2, bench/compile-cost.sh's remove_if file with and without it;
// docs/performance.md).
namespace detail {

template <class R>
concept Range = requires(R& range) {
  std::ranges::begin(range);
  std::ranges::end(range);
};

template <Range R>
using IteratorOf = decltype(std::ranges::begin(std::declval<R&>()));
template <Range R>
using SentinelOf = decltype(std::ranges::end(std::declval<R&>()));
template <Range R>
using ValueOf = std::iter_value_t<IteratorOf<R>>;
template <Range R>
using ReferenceOf = std::iter_reference_t<IteratorOf<R>>;
template <Range R>
using SizeOf = decltype(std::ranges::size(std::declval<R&>()));

// What the range forms of remove return for a temporary container, whose
// elements are gone by the time the caller could use an iterator into them,
// as std::ranges::dangling is for the standard algorithms.
struct Dangling {
  constexpr Dangling() noexcept = default;
  template <class... Ignored>
  // NOLINTNEXTLINE(google-explicit-constructor): converts as std::ranges::dangling does
  constexpr Dangling(Ignored&&... /*ignored*/) noexcept {}
};

template <Range R>
using BorrowedIteratorOf =
    std::conditional_t<std::is_lvalue_reference_v<R> ||
                           std::ranges::enable_borrowed_range<std::remove_cvref_t<R>>,
                       IteratorOf<R>, Dangling>;

}  // namespace detail

template <class It>
concept Displayable = std::forward_iterator<It> && requires(It it, std::ostream& os) {
  os << *it;
};

template <class R>
concept DisplayableRange = detail::Range<R> && Displayable<detail::IteratorOf<R>> &&
    std::sentinel_for<detail::SentinelOf<R>, detail::IteratorOf<R>>;

// What the iterator and range forms of sum and remove accept: anything laid
// out as an array, with its size, which they hand to the pointer forms.
// Pointers take those forms directly.
template <class It>
concept ContiguousIterator = std::contiguous_iterator<It> && !std::is_pointer_v<It>;

template <class R>
concept ContiguousRange = detail::Range<R> &&
    std::contiguous_iterator<detail::IteratorOf<R>> && requires(R& range) {
  {
    std::ranges::data(range)
    } -> std::same_as<std::add_pointer_t<detail::ReferenceOf<R>>>;
  std::ranges::size(range);
};

// What erase and erase_if take: such a range that has erase(first, last).
template <class C>
concept ErasableContainer = ContiguousRange<C> &&
    requires(C& container, detail::IteratorOf<C> at) {
  container.erase(at, at);
};

}  // namespace TAVIK_DETAIL_ABI_NAMESPACE
}  // namespace Tavik

#endif  // TAVIK_DETAIL_CONCEPTS_H
