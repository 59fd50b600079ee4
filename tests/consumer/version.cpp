// SPDX-License-Identifier: BSL-1.0
// Writes the version of the library that runs, then that of the header the
// program was built with, and fails where they differ, unless an argument
// says that a later library is expected.
#include <tavik/Functions.h>

#include <cstdio>

int main(int argc, char** /*argv*/) {
  std::printf("%d %d\n", Tavik::version(), TAVIK_VERSION);
  return Tavik::version() == TAVIK_VERSION || argc > 1 ? 0 : 1;
}
