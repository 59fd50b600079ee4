// Generic range algorithms over contiguous arrays: total, in-place removal
// and one-line display. They keep no state and allocate nothing.
#ifndef TAVIK_FUNCTIONS_H
#define TAVIK_FUNCTIONS_H

#include <algorithm>
#include <concepts>
#include <iostream>
#include <ostream>

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

// Returns T{} plus every element of [begin, end), added in order. The total
// has the element type: there is no wider accumulator.
template <Summable T>
constexpr T sum(T* begin, T* end) {
  T total{};
  for (; begin != end; ++begin) total = total + *begin;
  return total;
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
