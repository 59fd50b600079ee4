// SPDX-License-Identifier: BSL-1.0
// The compiled form's vector kernels: every entry point for every vector
// element type and every instruction set this target has, compiled once, so
// that a file including <tavik/Functions.h> with TAVIK_COMPILED_KERNELS=1
// neither includes an intrinsics header nor compiles a kernel.
#define TAVIK_DETAIL_DEFINE_KERNELS
#include <tavik/Functions.h>

#if !TAVIK_COMPILED_KERNELS
#error "the compiled kernels are built with TAVIK_COMPILED_KERNELS=1, as their users are"
#endif

#if TAVIK_VECTOR_PATHS
namespace Tavik {
inline namespace TAVIK_DETAIL_VERSION_NAMESPACE {
namespace detail {

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
#define TAVIK_DETAIL_REMOVE(T) template T* remove_avx2<T>(T*, T*, T);
#define TAVIK_DETAIL_SUM(T) template T sum_avx2<T>(const T*, const T*);
TAVIK_DETAIL_FOR_EACH_ELEMENT(TAVIK_DETAIL_REMOVE)
TAVIK_DETAIL_FOR_EACH_INTEGER(TAVIK_DETAIL_SUM)
#undef TAVIK_DETAIL_REMOVE
#undef TAVIK_DETAIL_SUM
#endif

#if TAVIK_AVX512_PATHS
// Every way to store a block, which the tests and benchmarks call by name.
#define TAVIK_DETAIL_REMOVE(T)                                  \
  template T* remove_avx512<T, Store::by_size>(T*, T*, T);      \
  template T* remove_avx512<T, Store::whole_vector>(T*, T*, T); \
  template T* remove_avx512<T, Store::kept_lanes>(T*, T*, T);
#define TAVIK_DETAIL_SUM(T) template T sum_avx512<T>(const T*, const T*);
TAVIK_DETAIL_FOR_EACH_ELEMENT(TAVIK_DETAIL_REMOVE)
TAVIK_DETAIL_FOR_EACH_INTEGER(TAVIK_DETAIL_SUM)
#undef TAVIK_DETAIL_REMOVE
#undef TAVIK_DETAIL_SUM
#endif

#if TAVIK_DETAIL_NEON
#define TAVIK_DETAIL_REMOVE(T) template T* remove_neon<T>(T*, T*, T);
#define TAVIK_DETAIL_SUM(T) template T sum_neon<T>(const T*, const T*);
TAVIK_DETAIL_FOR_EACH_ELEMENT(TAVIK_DETAIL_REMOVE)
TAVIK_DETAIL_FOR_EACH_INTEGER(TAVIK_DETAIL_SUM)
#undef TAVIK_DETAIL_REMOVE
#undef TAVIK_DETAIL_SUM
#endif

// NOLINTEND(bugprone-macro-parentheses)

}  // namespace detail
}  // namespace TAVIK_DETAIL_VERSION_NAMESPACE
}  // namespace Tavik
#endif  // TAVIK_VECTOR_PATHS
