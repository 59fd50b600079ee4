// SPDX-License-Identifier: BSL-1.0
// Built against each of a build system's dependencies: the form it gives
// must be the one its name says (COMPILED, 0 or 1).
#include <tavik/Functions.h>

#include <vector>

static_assert(TAVIK_COMPILED_KERNELS == COMPILED, "this dependency gives the other form");

int main() {
  std::vector<int> values = {3, 1, 4};
  return Tavik::erase(values, 1) == 1 && Tavik::sum(values) == 7 ? 0 : 1;
}
