// SPDX-License-Identifier: BSL-1.0
// Calls that the public forms cannot take stop at one error that says what
// is needed and what to use instead, rather than at a page of unsatisfied
// constraints; part of <tavik/Functions.h>. Each stands for exactly the
// calls the real forms refuse for that reason, and returns what the form it
// stands for would, so that the caller's use of the result adds no error of
// its own.
#ifndef TAVIK_DETAIL_MISUSE_H
#define TAVIK_DETAIL_MISUSE_H

#include <cstddef>

TAVIK_DETAIL_BEGIN_DETAIL

template <class...>
inline constexpr bool kNever = false;

// Declared only: no call of it compiles, since its caller's does not.
template <class T>
T no_result();

template <class It>
concept NotContiguousIterator =
    std::input_or_output_iterator<It> && !std::contiguous_iterator<It>;

template <class R>
concept NotContiguousRange = Range<R> && !ContiguousRange<R>;

template <class Out>
concept Stream = std::is_convertible_v<Out, std::ostream&>;

template <class It, class Sentinel>
concept DisplayablePositions = Displayable<std::decay_t<It>> &&
    std::sentinel_for<std::decay_t<Sentinel>, std::decay_t<It>>;

// What the range forms would return, where the range has an iterator.
template <class R>
using ResultOf = BorrowedIteratorOf<R>;

TAVIK_DETAIL_END_DETAIL

TAVIK_DETAIL_BEGIN_NAMESPACE

#define TAVIK_DETAIL_NEEDS_CONTIGUOUS(function, what_else)                       \
  "Tavik::" function                                                             \
  " needs a contiguous range: pointers, or iterators of a "                      \
  "std::vector, std::array, std::string or std::span, or such a container or a " \
  "C array; for std::list, std::deque and other ranges use " what_else

template <detail::NotContiguousIterator It, class Sentinel>
std::iter_value_t<It> sum(It, Sentinel) {
  static_assert(detail::kNever<It>,
                TAVIK_DETAIL_NEEDS_CONTIGUOUS("sum", "std::reduce or std::accumulate"));
  return detail::no_result<std::iter_value_t<It>>();
}

template <detail::NotContiguousRange R>
detail::ValueOf<R> sum(R&&) {
  static_assert(detail::kNever<R>,
                TAVIK_DETAIL_NEEDS_CONTIGUOUS("sum", "std::reduce or std::accumulate"));
  return detail::no_result<detail::ValueOf<R>>();
}

template <detail::NotContiguousIterator It, class Sentinel, class U>
It remove(It, Sentinel, U) {
  static_assert(detail::kNever<It>,
                TAVIK_DETAIL_NEEDS_CONTIGUOUS("remove", "std::remove or std::erase"));
  return detail::no_result<It>();
}

template <detail::NotContiguousRange R, class U>
detail::ResultOf<R> remove(R&&, U) {
  static_assert(detail::kNever<R>,
                TAVIK_DETAIL_NEEDS_CONTIGUOUS("remove", "std::remove or std::erase"));
  return detail::no_result<detail::ResultOf<R>>();
}

template <detail::NotContiguousIterator It, class Sentinel, class Pred>
It remove_if(It, Sentinel, Pred) {
  static_assert(detail::kNever<It>, TAVIK_DETAIL_NEEDS_CONTIGUOUS(
                                        "remove_if", "std::remove_if or std::erase_if"));
  return detail::no_result<It>();
}

template <detail::NotContiguousRange R, class Pred>
detail::ResultOf<R> remove_if(R&&, Pred) {
  static_assert(detail::kNever<R>, TAVIK_DETAIL_NEEDS_CONTIGUOUS(
                                       "remove_if", "std::remove_if or std::erase_if"));
  return detail::no_result<detail::ResultOf<R>>();
}

template <detail::NotContiguousRange C, class U>
std::size_t erase(C&, U) {
  static_assert(detail::kNever<C>,
                "Tavik::erase needs a contiguous container with erase(first, last), "
                "such as std::vector or std::basic_string; for std::list, std::deque "
                "and others use std::erase");
  return detail::no_result<std::size_t>();
}

template <detail::NotContiguousRange C, class Pred>
std::size_t erase_if(C&, Pred) {
  static_assert(detail::kNever<C>,
                "Tavik::erase_if needs a contiguous container with erase(first, last), "
                "such as std::vector or std::basic_string; for std::list, std::deque "
                "and others use std::erase_if");
  return detail::no_result<std::size_t>();
}

#undef TAVIK_DETAIL_NEEDS_CONTIGUOUS

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

TAVIK_DETAIL_END_NAMESPACE

#endif  // TAVIK_DETAIL_MISUSE_H
