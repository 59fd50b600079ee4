// SPDX-License-Identifier: BSL-1.0
// The plain loops, which define what sum, remove, remove_if, erase and
// erase_if do; part of <tavik/Functions.h>.
#ifndef TAVIK_DETAIL_LOOPS_H
#define TAVIK_DETAIL_LOOPS_H

#include <bit>
#include <span>

#include "Concepts.h"

TAVIK_DETAIL_BEGIN_DETAIL

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

// <bit>'s popcount and countr_zero, on the compilers' builtins where they
// have them. std::popcount and std::countr_zero are templates that a file
// built with other instruction sets (-mpopcnt, -mbmi) compiles to other
// instructions under the same names, one of which the linker keeps for the
// whole program; these live in the file's own namespace.
template <class Word>
constexpr int popcount(Word word) {
#if defined(__GNUC__) || defined(__clang__)
  if constexpr (sizeof(Word) <= sizeof(unsigned)) {
    return __builtin_popcount(word);
  } else {
    return __builtin_popcountll(word);
  }
#else
  return std::popcount(word);
#endif
}

// word is not 0.
template <class Word>
constexpr int countr_zero(Word word) {
#if defined(__GNUC__) || defined(__clang__)
  if constexpr (sizeof(Word) <= sizeof(unsigned)) {
    return __builtin_ctz(word);
  } else {
    return __builtin_ctzll(word);
  }
#else
  return std::countr_zero(word);
#endif
}

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
template <class T, class U>
inline constexpr bool kEqualsItemWithoutThrowing =
    noexcept(static_cast<bool>(std::declval<U&>() == std::declval<T&>()));
#pragma GCC diagnostic pop

template <class Member>
struct ClassOfMember;
template <class Member, class Class>
struct ClassOfMember<Member Class::*> {
  using type = Class;
};

// The one place where remove_if asks: pred(element) as std::invoke calls it,
// the result read as a bool. <functional>, which declares std::invoke, made
// a user's file take 1.17 times as long to compile (as <ranges> did,
// Concepts.h), so its rules for one argument are written here. A member
// pointer reaches the element, what it points to, or, for a
// std::reference_wrapper, what that refers to: the only case of the three
// where the element has neither the member's class nor a unary *.
template <class Pred, class T>
constexpr bool satisfies(Pred& pred, T& element) {
  if constexpr (std::is_member_pointer_v<Pred>) {
    using Class = typename ClassOfMember<Pred>::type;
    auto&& object = [&]() -> decltype(auto) {
      if constexpr (std::is_base_of_v<Class, std::remove_cv_t<T>>) {
        return (element);
      } else if constexpr (requires { *element; }) {
        return (*element);
      } else {
        return (element.get());
      }
    }();
    if constexpr (std::is_member_function_pointer_v<Pred>) {
      return static_cast<bool>((object.*pred)());
    } else {
      return static_cast<bool>(object.*pred);
    }
  } else {
    return static_cast<bool>(pred(element));
  }
}

// What takes an element out: item == element for remove, pred(element) for
// remove_if. The loops below ask it once for each element, in order, on the
// element where it stands. Each says whether asking can throw, so that the
// paths pay for a throw only where one can come.
template <class U>
struct EqualTo {
  U& item;
  template <class T>
  constexpr bool operator()(T& element) const noexcept(kEqualsItemWithoutThrowing<T, U>) {
    return detail::equals_item(item, element);
  }
};

template <class Pred>
struct Satisfies {
  Pred& pred;
  template <class T>
  constexpr bool operator()(T& element) const noexcept(
      std::is_nothrow_invocable_v<Pred&, T&>&&
          std::is_nothrow_constructible_v<bool, std::invoke_result_t<Pred&, T&>>) {
    return detail::satisfies(pred, element);
  }
};

// The address of the element at begin, even where begin is end: what
// std::to_address gives, without <memory>, which made a user's file take
// 1.07-1.08 times as long to compile with g++ 12 (bench/compile-cost.sh's
// file, with and without it). A span, as clang 14 cannot compile libstdc++
// 12's subrange.
template <std::contiguous_iterator It>
constexpr auto* address_of(It begin, It end) {
  return std::span(begin, end).data();
}

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

// The first place in [begin, end) whose element removes takes, or end.
// Reads only.
template <class T, class Removes>
constexpr T* find_generic(T* begin, T* end, const Removes& removes) {
  for (; begin != end; ++begin) {
    if (removes(*begin)) break;
  }
  return begin;
}

// What a removal leaves in the places past its new end:
//   last_element  copies of the range's original last element, which is what
//                 shifting the rest down on each match leaves there: remove
//                 and remove_if over copyable elements, which copy the kept
//                 elements down (the last one must survive for the fill)
//   moved_from    what moving the kept elements down left there: erase and
//                 erase_if, which erase those places next, as std::erase_if
//                 does, and remove and remove_if over move-only elements
enum class Vacated { last_element, moved_from };

// What remove and remove_if leave over T.
template <class T>
inline constexpr Vacated kRemoveLeaves =
    std::copyable<T> ? Vacated::last_element : Vacated::moved_from;

// Puts the element at from in the place to: a copy where the places past the
// new end take the last element, a move otherwise.
template <Vacated kVacated, class T>
constexpr void relocate(T& to, T& from) {
  if constexpr (kVacated == Vacated::last_element) {
    to = from;
  } else {
    to = std::move(from);
  }
}

// Every place in [kept, end - 1) takes the range's last element, which is
// what shifting leaves behind; the last place keeps it. Returns kept. A loop
// of the header's own, not std::fill, which a file built with other
// instruction sets compiles to other code under the same name.
template <class T>
constexpr T* fill_vacated(T* kept, T* end) {
  const T& last = *(end - 1);
  for (T* place = kept; place != end - 1; ++place) *place = last;
  return kept;
}

// Once the kept elements end at kept: fills the places from there to end
// where kVacated asks for it, and returns kept.
template <Vacated kVacated, class T>
constexpr T* vacate(T* kept, T* end) {
  if constexpr (kVacated == Vacated::last_element) detail::fill_vacated(kept, end);
  return kept;
}

// What erase and erase_if do once the removal has kept the first `kept`
// elements of the container: erase the places from there to its end, and
// say how many went.
template <class C>
constexpr SizeOf<C> erase_past(C& container, std::ptrdiff_t kept) {
  const auto begin = std::ranges::begin(container);
  const auto end = std::ranges::end(container);
  const auto erased = static_cast<SizeOf<C>>(end - (begin + kept));
  container.erase(begin + kept, end);
  return erased;
}

// The one definition of what remove, remove_if, erase and erase_if do to the
// range; the faster paths must leave exactly the same array, return the same
// end and assign nowhere else: nothing before the first match, nothing at
// the last place, nothing if nothing matches. The kept elements are copied
// or moved down in order, as kVacated says, each once. Should removes or an
// assignment throw, the elements before the one being asked about (or
// assigned from) that it kept are at the range's start, in order, and that
// one and every place after it hold what they held before the call.
template <Vacated kVacated, class T, class Removes>
constexpr T* remove_where(T* begin, T* end, Removes removes) {
  T* const first = detail::find_generic(begin, end, removes);
  if (first == end) return end;
  T* kept = first;
  for (T* p = first + 1; p != end; ++p) {
    if (removes(*p)) continue;
    detail::relocate<kVacated>(*kept, *p);
    ++kept;
  }
  return detail::vacate<kVacated>(kept, end);
}

template <Vacated kVacated, class T, class U>
requires Removable<T, U>
constexpr T* remove_generic(T* begin, T* end, U item) {
  return detail::remove_where<kVacated>(begin, end, EqualTo<U>{item});
}

template <Vacated kVacated, class T, class Pred>
requires RemovableIf<T, Pred>
constexpr T* remove_if_generic(T* begin, T* end, Pred& pred) {
  return detail::remove_where<kVacated>(begin, end, Satisfies<Pred>{pred});
}

// Copies the elements of [from, end) that removes leaves to kept onwards and
// returns the end of what it kept. Stores every element and advances past
// the kept ones only, so the loop has no branch to mispredict when matches
// are frequent and irregular; kept must lie before from, so every store lands
// in [kept, end - 1). The vector paths' scalar head and tail, over numbers.
template <class T, class Removes>
constexpr T* compact_branchless(T* from, T* end, T* kept, const Removes& removes) {
  for (; from != end; ++from) {
    const bool match = removes(*from);
    *kept = *from;
    kept += !match;
  }
  return kept;
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

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_DETAIL_LOOPS_H
