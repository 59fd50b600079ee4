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

// Why a removal cannot take contiguous elements, or a container: the first
// reason that holds gives the one error.
enum class Refusal {
  const_container,
  no_erase,
  const_elements,
  volatile_elements,
  unassignable_elements,
  cannot_ask
};

template <class Element>
constexpr Refusal refusal_of() {
  if (std::is_const_v<Element>) return Refusal::const_elements;
  if (std::is_volatile_v<Element>) return Refusal::volatile_elements;
  if (!std::is_move_assignable_v<Element>) return Refusal::unassignable_elements;
  return Refusal::cannot_ask;
}

template <class C>
constexpr Refusal container_refusal_of() {
  using Element = std::remove_reference_t<ReferenceOf<C>>;
  if (std::is_const_v<C>) return Refusal::const_container;
  if (!ErasableContainer<C> && !std::is_const_v<Element>) return Refusal::no_erase;
  return detail::refusal_of<Element>();
}

template <class It>
using ElementAt = std::remove_reference_t<std::iter_reference_t<It>>;

template <class R>
using ElementOf = std::remove_reference_t<ReferenceOf<R>>;

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

// Contiguous iterators of two types (iterator and const_iterator, say).
#define TAVIK_DETAIL_NEEDS_ONE_TYPE(function)                                    \
  "Tavik::" function                                                             \
  " needs begin and end of one iterator type, and these are two "                \
  "(an iterator and a const_iterator, say): pass c.begin() and c.end(), or the " \
  "container itself"

template <ContiguousIterator It, class Sentinel>
requires(!std::same_as<It, Sentinel>) std::iter_value_t<It> sum(It, Sentinel) {
  static_assert(detail::kNever<It>, TAVIK_DETAIL_NEEDS_ONE_TYPE("sum"));
  return detail::no_result<std::iter_value_t<It>>();
}

template <ContiguousIterator It, class Sentinel, class U>
requires(!std::same_as<It, Sentinel>) It remove(It, Sentinel, U) {
  static_assert(detail::kNever<It>, TAVIK_DETAIL_NEEDS_ONE_TYPE("remove"));
  return detail::no_result<It>();
}

template <ContiguousIterator It, class Sentinel, class Pred>
requires(!std::same_as<It, Sentinel>) It remove_if(It, Sentinel, Pred) {
  static_assert(detail::kNever<It>, TAVIK_DETAIL_NEEDS_ONE_TYPE("remove_if"));
  return detail::no_result<It>();
}

#undef TAVIK_DETAIL_NEEDS_ONE_TYPE

// Contiguous elements, or a container, that a removal cannot take: the
// first reason that holds gives the one error.
#define TAVIK_DETAIL_CONST_ELEMENTS(function)                               \
  "Tavik::" function                                                        \
  " changes the range in place, and these elements are const: "             \
  "give it the container itself, not a const reference to it or its const " \
  "iterators"
#define TAVIK_DETAIL_VOLATILE_ELEMENTS(function, standard)     \
  "Tavik::" function                                           \
  " does not take volatile elements, which it would read and " \
  "write more than once; use " standard
#define TAVIK_DETAIL_UNASSIGNABLE_ELEMENTS(function)                    \
  "Tavik::" function                                                    \
  " assigns the kept elements to their new places, and these elements " \
  "cannot be assigned (a const member, say, or a deleted assignment)"
#define TAVIK_DETAIL_CANNOT_COMPARE(function)                  \
  "Tavik::" function                                           \
  " compares item == element and reads the result as a bool, " \
  "which does not compile for this item and element type"
#define TAVIK_DETAIL_CANNOT_ASK(function)                        \
  "Tavik::" function                                             \
  " calls pred(element), by std::invoke's rules, and reads the " \
  "result as a bool, which does not compile for this predicate and element type"
#define TAVIK_DETAIL_CONST_CONTAINER(function)                  \
  "Tavik::" function                                            \
  " changes the container, and this one is const: give it the " \
  "container itself, not a const reference to it"
// The one error for elements that function (standard's twin) cannot take,
// why being detail::refusal_of's answer; cannot says what does not compile.
#define TAVIK_DETAIL_REFUSE_ELEMENTS(why, function, standard, cannot) \
  static_assert((why) != detail::Refusal::const_elements,             \
                TAVIK_DETAIL_CONST_ELEMENTS(function));               \
  static_assert((why) != detail::Refusal::volatile_elements,          \
                TAVIK_DETAIL_VOLATILE_ELEMENTS(function, standard));  \
  static_assert((why) != detail::Refusal::unassignable_elements,      \
                TAVIK_DETAIL_UNASSIGNABLE_ELEMENTS(function));        \
  static_assert((why) != detail::Refusal::cannot_ask, cannot(function))
#define TAVIK_DETAIL_NO_ERASE(function)                                            \
  "Tavik::" function                                                               \
  " needs a container with erase(first, last), such as "                           \
  "std::vector or std::basic_string; for a std::array, a std::span or a C array, " \
  "use Tavik::remove or Tavik::remove_if, which return the new end"

template <ContiguousIterator It, class U>
requires(!Removable<detail::ElementAt<It>, U>) It remove(It, It, U) {
  constexpr detail::Refusal why = detail::refusal_of<detail::ElementAt<It>>();
  TAVIK_DETAIL_REFUSE_ELEMENTS(why, "remove", "std::remove", TAVIK_DETAIL_CANNOT_COMPARE);
  return detail::no_result<It>();
}

template <ContiguousRange R, class U>
requires(!Removable<detail::ElementOf<R>, U>) detail::ResultOf<R> remove(R&&, U) {
  constexpr detail::Refusal why = detail::refusal_of<detail::ElementOf<R>>();
  TAVIK_DETAIL_REFUSE_ELEMENTS(why, "remove", "std::remove", TAVIK_DETAIL_CANNOT_COMPARE);
  return detail::no_result<detail::ResultOf<R>>();
}

template <ContiguousIterator It, class Pred>
requires(!RemovableIf<detail::ElementAt<It>, Pred>) It remove_if(It, It, Pred) {
  constexpr detail::Refusal why = detail::refusal_of<detail::ElementAt<It>>();
  TAVIK_DETAIL_REFUSE_ELEMENTS(why, "remove_if", "std::remove_if",
                               TAVIK_DETAIL_CANNOT_ASK);
  return detail::no_result<It>();
}

template <ContiguousRange R, class Pred>
requires(!RemovableIf<detail::ElementOf<R>, Pred>) detail::ResultOf<R> remove_if(R&&,
                                                                                 Pred) {
  constexpr detail::Refusal why = detail::refusal_of<detail::ElementOf<R>>();
  TAVIK_DETAIL_REFUSE_ELEMENTS(why, "remove_if", "std::remove_if",
                               TAVIK_DETAIL_CANNOT_ASK);
  return detail::no_result<detail::ResultOf<R>>();
}

template <ContiguousRange C, class U>
requires(!(ErasableContainer<C> &&
           Removable<detail::ValueOf<C>, U>)) detail::SizeOf<C> erase(C&, U) {
  constexpr detail::Refusal why = detail::container_refusal_of<C>();
  static_assert(why != detail::Refusal::const_container,
                TAVIK_DETAIL_CONST_CONTAINER("erase"));
  static_assert(why != detail::Refusal::no_erase, TAVIK_DETAIL_NO_ERASE("erase"));
  TAVIK_DETAIL_REFUSE_ELEMENTS(why, "erase", "std::erase", TAVIK_DETAIL_CANNOT_COMPARE);
  return detail::no_result<detail::SizeOf<C>>();
}

template <ContiguousRange C, class Pred>
requires(!(ErasableContainer<C> &&
           RemovableIf<detail::ValueOf<C>, Pred>)) detail::SizeOf<C> erase_if(C&, Pred) {
  constexpr detail::Refusal why = detail::container_refusal_of<C>();
  static_assert(why != detail::Refusal::const_container,
                TAVIK_DETAIL_CONST_CONTAINER("erase_if"));
  static_assert(why != detail::Refusal::no_erase, TAVIK_DETAIL_NO_ERASE("erase_if"));
  TAVIK_DETAIL_REFUSE_ELEMENTS(why, "erase_if", "std::erase_if", TAVIK_DETAIL_CANNOT_ASK);
  return detail::no_result<detail::SizeOf<C>>();
}

#undef TAVIK_DETAIL_REFUSE_ELEMENTS
#undef TAVIK_DETAIL_CONST_ELEMENTS
#undef TAVIK_DETAIL_VOLATILE_ELEMENTS
#undef TAVIK_DETAIL_UNASSIGNABLE_ELEMENTS
#undef TAVIK_DETAIL_CANNOT_COMPARE
#undef TAVIK_DETAIL_CANNOT_ASK
#undef TAVIK_DETAIL_CONST_CONTAINER
#undef TAVIK_DETAIL_NO_ERASE

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
