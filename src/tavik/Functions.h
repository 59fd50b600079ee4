// SPDX-License-Identifier: BSL-1.0
// <tavik/Functions.h> in the source tree, as it is installed: the library is
// the one header beside this folder.
#include "../Functions.h"  // IWYU pragma: export
