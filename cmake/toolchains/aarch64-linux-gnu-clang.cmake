# SPDX-License-Identifier: BSL-1.0
# 64-bit Arm Linux with clang, over the same Debian cross toolchain's headers,
# libraries and linker (g++-aarch64-linux-gnu); run under qemu likewise.
include(${CMAKE_CURRENT_LIST_DIR}/aarch64-linux-gnu.cmake)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)
