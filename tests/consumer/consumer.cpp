// SPDX-License-Identifier: BSL-1.0
#include <tavik/Functions.h>

#include <iostream>
#include <vector>

int main() {
  std::vector<int> values = {3, 1, 4, 1, 5};
  values.erase(Tavik::remove(values, 1), values.end());
  Tavik::display(values);
  std::cout << Tavik::sum(values.cbegin(), values.cend()) << '\n';
}
