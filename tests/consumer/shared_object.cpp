// SPDX-License-Identifier: BSL-1.0
// The quick start's work in a shared object that links the library
// (IN_SHARED_OBJECT), and the program that calls it.
#if defined(IN_SHARED_OBJECT)
#include <tavik/Functions.h>

#include <iostream>
#include <vector>

int run_quick_start() {
  std::vector<int> values = {3, 1, 4, -1, 1, 5, -9};
  Tavik::erase(values, 1);
  Tavik::erase_if(values, [](int v) { return v < 0; });
  Tavik::display(values);
  std::cout << Tavik::sum(values) << '\n';
  return 0;
}
#else
int run_quick_start();

int main() { return run_quick_start(); }
#endif
