// The removal Tavik::remove promises, written as plainly as it can be: on
// each match, shift everything behind it one place down. Quadratic; it is
// the model that tests, fuzzers and benchmarks hold the library to.
#ifndef TAVIK_TESTS_SHIFTING_REMOVE_H
#define TAVIK_TESTS_SHIFTING_REMOVE_H

template <class T>
T* ShiftingRemove(T* begin, T* end, T item) {
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

#endif  // TAVIK_TESTS_SHIFTING_REMOVE_H
