// SPDX-License-Identifier: BSL-1.0
// The compiled form's vector kernels: every entry point for every vector
// element type and every instruction set this target has, compiled once, so
// that a file including <tavik/Functions.h> with TAVIK_COMPILED_KERNELS=1
// neither includes an intrinsics header nor compiles a kernel. It includes
// the kernels alone, not the streams that display needs: a program built
// with another standard library (libc++) links it.
#define TAVIK_DETAIL_DEFINE_KERNELS
#include <tavik/detail/Kernels.h>

#if !TAVIK_COMPILED_KERNELS
#error "the compiled kernels are built with TAVIK_COMPILED_KERNELS=1, as their users are"
#endif

TAVIK_DETAIL_BEGIN_KERNELS

int library_version() noexcept { return TAVIK_VERSION; }

#if TAVIK_VECTOR_PATHS

// The integer element types, each of which gets its own kernels: two types
// of one width are still two types to a template. The macros' arguments are
// types, which parentheses would break.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define TAVIK_DETAIL_FOR_EACH_INTEGER(apply)                                         \
  apply(char) apply(signed char) apply(unsigned char) apply(char8_t) apply(char16_t) \
      apply(char32_t) apply(wchar_t) apply(short) apply(unsigned short) apply(int)   \
          apply(unsigned) apply(long) apply(unsigned long) apply(long long)          \
              apply(unsigned long long)
#define TAVIK_DETAIL_FOR_EACH_ELEMENT(apply) \
  TAVIK_DETAIL_FOR_EACH_INTEGER(apply) apply(float) apply(double)

#if TAVIK_DETAIL_AVX2
#define TAVIK_DETAIL_REMOVE(T)           \
  template T* remove_avx2<T>(T*, T*, T); \
  template T* remove_flagged_avx2<T>(T*, T*, T*, const FlagOf<T>*, bool);
#define TAVIK_DETAIL_SUM(T) template T sum_avx2<T>(const T*, const T*);
TAVIK_DETAIL_FOR_EACH_ELEMENT(TAVIK_DETAIL_REMOVE)
TAVIK_DETAIL_FOR_EACH_INTEGER(TAVIK_DETAIL_SUM)
#undef TAVIK_DETAIL_REMOVE
#undef TAVIK_DETAIL_SUM
#endif

#if TAVIK_AVX512_PATHS
// The element types by width: 1- and 2-byte lanes take the entry points
// that need AVX-512BW and VBMI2. wchar_t is 2 bytes on Windows, 4 elsewhere.
#if __SIZEOF_WCHAR_T__ == 2
#define TAVIK_DETAIL_NARROW_WCHAR(apply) apply(wchar_t)
#define TAVIK_DETAIL_WIDE_WCHAR(apply)
#else
#define TAVIK_DETAIL_NARROW_WCHAR(apply)
#define TAVIK_DETAIL_WIDE_WCHAR(apply) apply(wchar_t)
#endif
#define TAVIK_DETAIL_FOR_EACH_NARROW_INTEGER(apply)                                  \
  apply(char) apply(signed char) apply(unsigned char) apply(char8_t) apply(char16_t) \
      apply(short) apply(unsigned short) TAVIK_DETAIL_NARROW_WCHAR(apply)
#define TAVIK_DETAIL_FOR_EACH_WIDE_INTEGER(apply)                             \
  apply(char32_t) apply(int) apply(unsigned) apply(long) apply(unsigned long) \
      apply(long long) apply(unsigned long long) TAVIK_DETAIL_WIDE_WCHAR(apply)

// Every way to store a block, which the tests and benchmarks call by name.
#define TAVIK_DETAIL_REMOVE_AS(T, remove, remove_flagged) \
  template T* remove<T, Store::by_size>(T*, T*, T);       \
  template T* remove<T, Store::whole_vector>(T*, T*, T);  \
  template T* remove<T, Store::kept_lanes>(T*, T*, T);    \
  template T* remove_flagged<T>(T*, T*, T*, const FlagOf<T>*, bool);
#define TAVIK_DETAIL_REMOVE(T) \
  TAVIK_DETAIL_REMOVE_AS(T, remove_avx512f, remove_flagged_avx512f)
#define TAVIK_DETAIL_REMOVE_NARROW(T) \
  TAVIK_DETAIL_REMOVE_AS(T, remove_avx512bw, remove_flagged_avx512bw)
#define TAVIK_DETAIL_SUM(T) template T sum_avx512f<T>(const T*, const T*);
#define TAVIK_DETAIL_SUM_NARROW(T) template T sum_avx512bw<T>(const T*, const T*);
TAVIK_DETAIL_FOR_EACH_WIDE_INTEGER(TAVIK_DETAIL_REMOVE)
TAVIK_DETAIL_REMOVE(float)
TAVIK_DETAIL_REMOVE(double)
TAVIK_DETAIL_FOR_EACH_NARROW_INTEGER(TAVIK_DETAIL_REMOVE_NARROW)
TAVIK_DETAIL_FOR_EACH_WIDE_INTEGER(TAVIK_DETAIL_SUM)
TAVIK_DETAIL_FOR_EACH_NARROW_INTEGER(TAVIK_DETAIL_SUM_NARROW)
#undef TAVIK_DETAIL_REMOVE_AS
#undef TAVIK_DETAIL_REMOVE
#undef TAVIK_DETAIL_REMOVE_NARROW
#undef TAVIK_DETAIL_SUM
#undef TAVIK_DETAIL_SUM_NARROW
#endif

#if TAVIK_DETAIL_NEON
#define TAVIK_DETAIL_REMOVE(T)           \
  template T* remove_neon<T>(T*, T*, T); \
  template T* remove_flagged_neon<T>(T*, T*, T*, const FlagOf<T>*, bool);
#define TAVIK_DETAIL_SUM(T) template T sum_neon<T>(const T*, const T*);
TAVIK_DETAIL_FOR_EACH_ELEMENT(TAVIK_DETAIL_REMOVE)
TAVIK_DETAIL_FOR_EACH_INTEGER(TAVIK_DETAIL_SUM)
#undef TAVIK_DETAIL_REMOVE
#undef TAVIK_DETAIL_SUM
#endif

// NOLINTEND(bugprone-macro-parentheses)

#endif  // TAVIK_VECTOR_PATHS

TAVIK_DETAIL_END_DETAIL
