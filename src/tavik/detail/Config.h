// SPDX-License-Identifier: BSL-1.0
// What a build of <tavik/Functions.h> is: the language it needs, the switches
// that choose its paths, and the namespaces that keep apart the code of files
// built differently. Every other header includes it first.
#ifndef TAVIK_DETAIL_CONFIG_H
#define TAVIK_DETAIL_CONFIG_H

#include "../Version.h"

// A build that cannot use the header stops at one error that says why,
// rather than at a page of them: <tavik/Functions.h> skips everything past
// the checks once TAVIK_DETAIL_STOP is defined.
#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 202002L
#error "tavik/Functions.h needs C++20 or later"
#define TAVIK_DETAIL_STOP
#endif

// The switches, each always defined to 0 or 1 past this file, so that
// -Wundef catches a misspelt test of one:
//   TAVIK_VECTOR_PATHS      1 (the default on x86-64 and aarch64 with GCC or
//                           Clang): the vector paths; 0 compiles every one out.
//                           TAVIK_AVX2_PATHS is its older name and must agree.
//   TAVIK_AVX512_PATHS      0 compiles out the AVX-512 paths alone.
//   TAVIK_COMPILED_KERNELS  1 where the compiled library is linked (its build
//                           systems set it): the vector kernels are declared,
//                           not defined.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAVIK_DETAIL_X86_64 1
#else
#define TAVIK_DETAIL_X86_64 0
#endif
#if defined(__AARCH64EL__) && defined(__ARM_NEON) && \
    (defined(__GNUC__) || defined(__clang__))
#define TAVIK_DETAIL_AARCH64 1
#else
#define TAVIK_DETAIL_AARCH64 0
#endif

// A switch is 0 or 1 exactly. ON, yes or an empty value would read as 0 in
// an #if and switch the paths off without a word, so each is checked by
// pasting it onto a name that only 0 and 1 complete: those expand to two
// arguments, and the second argument is then 1; anything else leaves one,
// and 0 comes second. No undefined name reaches the #if, for -Wundef. The
// same test reads the compiler's instruction-set macros (defined to 1, or
// not at all) below.
#define TAVIK_DETAIL_BIT_0 ~, 1
#define TAVIK_DETAIL_BIT_1 ~, 1
#define TAVIK_DETAIL_IS_BIT(value) TAVIK_DETAIL_IS_BIT_PASTED(value)
#define TAVIK_DETAIL_IS_BIT_PASTED(value) TAVIK_DETAIL_SECOND_OF(TAVIK_DETAIL_BIT_##value)
#define TAVIK_DETAIL_SECOND_OF(...) \
  TAVIK_DETAIL_EXPAND(TAVIK_DETAIL_SECOND(__VA_ARGS__, 0, ~))
#define TAVIK_DETAIL_SECOND(first, second, ...) second
// MSVC's traditional preprocessor passes __VA_ARGS__ on as one argument
// unless it is expanded once more.
#define TAVIK_DETAIL_EXPAND(tokens) tokens

#if defined(TAVIK_DETAIL_STOP)
#elif defined(TAVIK_VECTOR_PATHS) && !TAVIK_DETAIL_IS_BIT(TAVIK_VECTOR_PATHS)
#error "TAVIK_VECTOR_PATHS must be 0 or 1"
#define TAVIK_DETAIL_STOP
#elif defined(TAVIK_AVX2_PATHS) && !TAVIK_DETAIL_IS_BIT(TAVIK_AVX2_PATHS)
#error "TAVIK_AVX2_PATHS, the older name of TAVIK_VECTOR_PATHS, must be 0 or 1"
#define TAVIK_DETAIL_STOP
#elif defined(TAVIK_AVX512_PATHS) && !TAVIK_DETAIL_IS_BIT(TAVIK_AVX512_PATHS)
#error "TAVIK_AVX512_PATHS must be 0 or 1"
#define TAVIK_DETAIL_STOP
#elif defined(TAVIK_COMPILED_KERNELS) && !TAVIK_DETAIL_IS_BIT(TAVIK_COMPILED_KERNELS)
#error "TAVIK_COMPILED_KERNELS must be 0 or 1"
#define TAVIK_DETAIL_STOP
#endif

#if !defined(TAVIK_DETAIL_STOP)
#if !defined(TAVIK_VECTOR_PATHS) && defined(TAVIK_AVX2_PATHS)
#define TAVIK_VECTOR_PATHS TAVIK_AVX2_PATHS
#endif
#if !defined(TAVIK_VECTOR_PATHS)
#if TAVIK_DETAIL_X86_64 || TAVIK_DETAIL_AARCH64
#define TAVIK_VECTOR_PATHS 1
#else
#define TAVIK_VECTOR_PATHS 0
#endif
#elif TAVIK_VECTOR_PATHS && !(TAVIK_DETAIL_X86_64 || TAVIK_DETAIL_AARCH64)
#error \
    "TAVIK_VECTOR_PATHS=1 (or TAVIK_AVX2_PATHS=1) needs x86-64 or aarch64, and GCC or Clang"
#define TAVIK_DETAIL_STOP
#endif

#if !defined(TAVIK_AVX2_PATHS)
#define TAVIK_AVX2_PATHS TAVIK_VECTOR_PATHS
#elif TAVIK_AVX2_PATHS != TAVIK_VECTOR_PATHS
#error "TAVIK_AVX2_PATHS, the older name of TAVIK_VECTOR_PATHS, contradicts it"
#define TAVIK_DETAIL_STOP
#endif

#if !defined(TAVIK_AVX512_PATHS)
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_X86_64
#define TAVIK_AVX512_PATHS 1
#else
#define TAVIK_AVX512_PATHS 0
#endif
#elif TAVIK_AVX512_PATHS && !(TAVIK_VECTOR_PATHS && TAVIK_DETAIL_X86_64)
#error "TAVIK_AVX512_PATHS=1 needs the vector paths, on x86-64"
#define TAVIK_DETAIL_STOP
#endif

#if !defined(TAVIK_COMPILED_KERNELS)
#define TAVIK_COMPILED_KERNELS 0
#endif
#endif  // !TAVIK_DETAIL_STOP

#if !defined(TAVIK_DETAIL_STOP)

// Which vector paths this build has.
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_X86_64
#define TAVIK_DETAIL_AVX2 1
#else
#define TAVIK_DETAIL_AVX2 0
#endif
#if TAVIK_VECTOR_PATHS && TAVIK_DETAIL_AARCH64
#define TAVIK_DETAIL_NEON 1
#else
#define TAVIK_DETAIL_NEON 0
#endif

// Every name lives in Tavik::v<major>_<minor>, the ABI version, which the
// shared library's soname repeats (libtavik.so.1.4). A patch release keeps
// both, so a program built against x.y.0 runs with x.y.1's library; a header
// and a library of different ABI versions fail to link, naming the kernel
// that the header misses.
#define TAVIK_DETAIL_ABI_NAMESPACE \
  TAVIK_DETAIL_ABI_OF(TAVIK_VERSION_MAJOR, TAVIK_VERSION_MINOR)
#define TAVIK_DETAIL_ABI_OF(first, second) TAVIK_DETAIL_ABI_PASTED(first, second)
#define TAVIK_DETAIL_ABI_PASTED(first, second) v##first##_##second

// Inline functions and templates of one name are one function to the linker,
// which keeps a single copy for the whole program. So everything compiled in
// the file that includes the header (the public forms, the plain loops, the
// dispatch, and in the header-only form the kernels) lives in an inline
// namespace named after what changes that code: the switches, the form, and
// the instruction sets and floating-point assumptions the file is compiled
// for. Files built with -mavx512f and without, with -ffast-math and without,
// or with other switches then share no code, whatever the link order, and
// none runs another's instructions. The compiled library's kernels have a
// namespace of their own (Kernels.h), which no file's code shares.
#if TAVIK_VECTOR_PATHS && TAVIK_AVX512_PATHS
#define TAVIK_DETAIL_PATHS_NAME vector_paths_with_avx512
#elif TAVIK_VECTOR_PATHS
#define TAVIK_DETAIL_PATHS_NAME vector_paths
#else
#define TAVIK_DETAIL_PATHS_NAME no_vector_paths
#endif
#if defined(TAVIK_DETAIL_DEFINE_KERNELS)
#define TAVIK_DETAIL_FORM_NAME in_library
#elif TAVIK_COMPILED_KERNELS
#define TAVIK_DETAIL_FORM_NAME compiled
#else
#define TAVIK_DETAIL_FORM_NAME header_only
#endif

// The instruction sets, a hexadecimal digit for each four of them, as the
// compiler's macros give them; and whether the file may assume no NaN.
#define TAVIK_DETAIL_HEX(a, b, c, d) TAVIK_DETAIL_HEX_PASTED(a, b, c, d)
#define TAVIK_DETAIL_HEX_PASTED(a, b, c, d) TAVIK_DETAIL_HEX_##a##b##c##d
#define TAVIK_DETAIL_HEX_0000 0
#define TAVIK_DETAIL_HEX_0001 1
#define TAVIK_DETAIL_HEX_0010 2
#define TAVIK_DETAIL_HEX_0011 3
#define TAVIK_DETAIL_HEX_0100 4
#define TAVIK_DETAIL_HEX_0101 5
#define TAVIK_DETAIL_HEX_0110 6
#define TAVIK_DETAIL_HEX_0111 7
#define TAVIK_DETAIL_HEX_1000 8
#define TAVIK_DETAIL_HEX_1001 9
#define TAVIK_DETAIL_HEX_1010 a
#define TAVIK_DETAIL_HEX_1011 b
#define TAVIK_DETAIL_HEX_1100 c
#define TAVIK_DETAIL_HEX_1101 d
#define TAVIK_DETAIL_HEX_1110 e
#define TAVIK_DETAIL_HEX_1111 f
#define TAVIK_DETAIL_HAS(feature) TAVIK_DETAIL_IS_BIT(feature)
#if defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__
#define TAVIK_DETAIL_FINITE_MATH 1
#else
#define TAVIK_DETAIL_FINITE_MATH 0
#endif
#if TAVIK_DETAIL_X86_64
#define TAVIK_DETAIL_TARGET_NAME                                                        \
  TAVIK_DETAIL_TARGET_OF(                                                               \
      TAVIK_DETAIL_HEX(TAVIK_DETAIL_HAS(__SSE3__), TAVIK_DETAIL_HAS(__SSSE3__),         \
                       TAVIK_DETAIL_HAS(__SSE4_1__), TAVIK_DETAIL_HAS(__SSE4_2__)),     \
      TAVIK_DETAIL_HEX(TAVIK_DETAIL_HAS(__POPCNT__), TAVIK_DETAIL_HAS(__AVX__),         \
                       TAVIK_DETAIL_HAS(__AVX2__), TAVIK_DETAIL_HAS(__FMA__)),          \
      TAVIK_DETAIL_HEX(TAVIK_DETAIL_HAS(__BMI__), TAVIK_DETAIL_HAS(__BMI2__),           \
                       TAVIK_DETAIL_HAS(__LZCNT__), TAVIK_DETAIL_HAS(__AVX512F__)),     \
      TAVIK_DETAIL_HEX(TAVIK_DETAIL_HAS(__AVX512BW__), TAVIK_DETAIL_HAS(__AVX512DQ__),  \
                       TAVIK_DETAIL_HAS(__AVX512VL__), TAVIK_DETAIL_HAS(__AVX512CD__)), \
      TAVIK_DETAIL_HEX(                                                                 \
          TAVIK_DETAIL_HAS(__AVX512VBMI__), TAVIK_DETAIL_HAS(__AVX512VBMI2__),          \
          TAVIK_DETAIL_HAS(__AVX512BITALG__), TAVIK_DETAIL_HAS(__AVX512VPOPCNTDQ__)),   \
      TAVIK_DETAIL_FINITE_MATH)
#define TAVIK_DETAIL_TARGET_PASTED(a, b, c, d, e, math) x86_64_##a##b##c##d##e##_##math
#elif defined(__aarch64__) && (defined(__GNUC__) || defined(__clang__))
#define TAVIK_DETAIL_TARGET_NAME                                                   \
  TAVIK_DETAIL_TARGET_OF(TAVIK_DETAIL_HEX(TAVIK_DETAIL_HAS(__ARM_FEATURE_SVE),     \
                                          TAVIK_DETAIL_HAS(__ARM_FEATURE_SVE2),    \
                                          TAVIK_DETAIL_HAS(__ARM_FEATURE_SME), 0), \
                         0, 0, 0, 0, TAVIK_DETAIL_FINITE_MATH)
#define TAVIK_DETAIL_TARGET_PASTED(a, b, c, d, e, math) aarch64_##a##_##math
#else
#define TAVIK_DETAIL_TARGET_NAME \
  TAVIK_DETAIL_TARGET_OF(0, 0, 0, 0, 0, TAVIK_DETAIL_FINITE_MATH)
#define TAVIK_DETAIL_TARGET_PASTED(a, b, c, d, e, math) other_##math
#endif
#define TAVIK_DETAIL_TARGET_OF(a, b, c, d, e, math) \
  TAVIK_DETAIL_TARGET_PASTED(a, b, c, d, e, math)

#define TAVIK_DETAIL_BUILD_NAMESPACE                                     \
  TAVIK_DETAIL_BUILD_OF(TAVIK_DETAIL_PATHS_NAME, TAVIK_DETAIL_FORM_NAME, \
                        TAVIK_DETAIL_TARGET_NAME)
#define TAVIK_DETAIL_BUILD_OF(paths, form, target) \
  TAVIK_DETAIL_BUILD_PASTED(paths, form, target)
#define TAVIK_DETAIL_BUILD_PASTED(paths, form, target) paths##_##form##_##target

// The vector kernels: in the compiled form the library's, in a namespace of
// their own that no file's code shares, whatever its flags; header-only,
// the file's own.
#if TAVIK_COMPILED_KERNELS
#define TAVIK_DETAIL_KERNELS_NAMESPACE library
#else
#define TAVIK_DETAIL_KERNELS_NAMESPACE TAVIK_DETAIL_BUILD_NAMESPACE
#endif

// Where the header's code begins and ends, as libc++ brackets std: the
// public names, and the details (detail::, with the kernels beside them).
#define TAVIK_DETAIL_BEGIN_NAMESPACE            \
  namespace Tavik {                             \
  inline namespace TAVIK_DETAIL_ABI_NAMESPACE { \
  inline namespace TAVIK_DETAIL_BUILD_NAMESPACE {
#define TAVIK_DETAIL_BEGIN_DETAIL               \
  namespace Tavik {                             \
  inline namespace TAVIK_DETAIL_ABI_NAMESPACE { \
  namespace detail {                            \
  inline namespace TAVIK_DETAIL_BUILD_NAMESPACE {
#define TAVIK_DETAIL_BEGIN_KERNELS              \
  namespace Tavik {                             \
  inline namespace TAVIK_DETAIL_ABI_NAMESPACE { \
  namespace detail {                            \
  inline namespace TAVIK_DETAIL_KERNELS_NAMESPACE {
#define TAVIK_DETAIL_END_NAMESPACE \
  }                                \
  }                                \
  }
#define TAVIK_DETAIL_END_DETAIL \
  }                             \
  }                             \
  }                             \
  }

#endif  // !TAVIK_DETAIL_STOP
#endif  // TAVIK_DETAIL_CONFIG_H
