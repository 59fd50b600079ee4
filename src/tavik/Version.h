// SPDX-License-Identifier: BSL-1.0
// The version of <tavik/Functions.h>, which includes this. It is written here
// alone: CMake, pkg-config and Meson read it from this file.
#ifndef TAVIK_VERSION_H
#define TAVIK_VERSION_H

#define TAVIK_VERSION_MAJOR 1
#define TAVIK_VERSION_MINOR 4
#define TAVIK_VERSION_PATCH 0

// The three as one number, 10400 for 1.4.0, to compare in an #if.
#define TAVIK_VERSION \
  (TAVIK_VERSION_MAJOR * 10000 + TAVIK_VERSION_MINOR * 100 + TAVIK_VERSION_PATCH)

#endif  // TAVIK_VERSION_H
