// SPDX-License-Identifier: BSL-1.0
// Erase, total and print a std::vector.
#include <tavik/Functions.h>

#include <iostream>
#include <vector>

int main() {
  std::vector<int> values = {3, 1, 4, -1, 1, 5, -9};
  Tavik::erase(values, 1);                               // 3, 4, -1, 5, -9
  Tavik::erase_if(values, [](int v) { return v < 0; });  // 3, 4, 5
  Tavik::display(values);                   // writes "3, 4, 5" and ends the line
  std::cout << Tavik::sum(values) << '\n';  // writes 12
}
