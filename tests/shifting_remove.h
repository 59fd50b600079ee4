// SPDX-License-Identifier: BSL-1.0
// The removal Tavik::remove promises, written as plainly as it can be: on
// each match, shift everything behind it one place down. Quadratic; it is
// the model that tests, fuzzers and benchmarks hold the library to.
#ifndef TAVIK_TESTS_SHIFTING_REMOVE_H
#define TAVIK_TESTS_SHIFTING_REMOVE_H

// item compares as given, so an item of another signedness than the elements
// is compared as such, on purpose.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
template <class T, class U = T>
T* ShiftingRemove(T* begin, T* end, U item) {
  T* p = begin;
  T* e = end;
  while (p != e) {
    if (item == *p) {
      for (T* q = p + 1; q != e; ++q) *(q - 1) = *q;
      --e;
    } else {
      ++p;
    }
  }
  return e;
}
#pragma GCC diagnostic pop

#endif  // TAVIK_TESTS_SHIFTING_REMOVE_H
