// SPDX-License-Identifier: BSL-1.0
// The vector kernels' entry points, declared; part of <tavik/Functions.h>.
// Each runs the skeleton (Skeleton.h) over its instruction set's lanes, and
// returns exactly what the plain loops (Loops.h) return. In the header-only
// form their definitions follow here; in the compiled form (with
// TAVIK_COMPILED_KERNELS=1) the library holds them, compiled once, and
// nothing here includes an intrinsics header.
#ifndef TAVIK_DETAIL_KERNELS_H
#define TAVIK_DETAIL_KERNELS_H

#if TAVIK_VECTOR_PATHS

namespace Tavik {
inline namespace TAVIK_DETAIL_VERSION_NAMESPACE {
namespace detail {

// How compaction stores a block: the whole vector (store_kept), or the kept
// elements alone (store_kept_only), or whichever suits the range's size.
enum class Store { by_size, whole_vector, kept_lanes };

#if TAVIK_DETAIL_AVX2

// A declaration names its target as its definition does: to GCC, the same
// function under two targets would be two versions of it.
#define TAVIK_DETAIL_AVX2_TARGET __attribute__((target("avx2,popcnt")))

inline bool avx2_available() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

template <VectorElement T>
TAVIK_DETAIL_AVX2_TARGET T* remove_avx2(T* begin, T* end, T item);

template <VectorInteger T>
TAVIK_DETAIL_AVX2_TARGET T sum_avx2(const T* begin, const T* end);

#if TAVIK_AVX512_PATHS

#define TAVIK_DETAIL_AVX512_TARGET __attribute__((target("avx512f,bmi2,popcnt")))
#define TAVIK_DETAIL_AVX512_NARROW_TARGET \
  __attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi2,popcnt")))

// AVX-512F serves 4- and 8-byte lanes; narrower ones also need BW for their
// compares and VBMI2 for their compress. BMI2 makes the mask of the first
// lanes that a store of the kept ones alone takes.
template <VectorElement T>
bool avx512_available() {
  const bool foundation = __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("bmi2") &&
                          __builtin_cpu_supports("popcnt");
  if constexpr (sizeof(T) >= 4) {
    return foundation;
  } else {
    return foundation && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi2");
  }
}

// Compiled for AVX-512F alone where that serves, so that nothing only a
// VBMI2 processor has reaches a 4- or 8-byte path.
template <VectorElement T, Store kForm = Store::by_size>
TAVIK_DETAIL_AVX512_TARGET T* remove_avx512(T* begin, T* end,
                                            T item) requires(sizeof(T) >= 4);

template <VectorElement T, Store kForm = Store::by_size>
TAVIK_DETAIL_AVX512_NARROW_TARGET T* remove_avx512(T* begin, T* end,
                                                   T item) requires(sizeof(T) < 4);

template <VectorInteger T>
TAVIK_DETAIL_AVX512_TARGET T sum_avx512(const T* begin,
                                        const T* end) requires(sizeof(T) >= 4);

template <VectorInteger T>
TAVIK_DETAIL_AVX512_NARROW_TARGET T sum_avx512(const T* begin,
                                               const T* end) requires(sizeof(T) < 4);

#endif  // TAVIK_AVX512_PATHS
#endif  // TAVIK_DETAIL_AVX2

#if TAVIK_DETAIL_NEON

template <VectorElement T>
T* remove_neon(T* begin, T* end, T item);

template <VectorInteger T>
T sum_neon(const T* begin, const T* end);

#endif  // TAVIK_DETAIL_NEON

}  // namespace detail
}  // namespace TAVIK_DETAIL_VERSION_NAMESPACE
}  // namespace Tavik

// The definitions: here in the header-only form, and in the library's own
// source, which defines TAVIK_DETAIL_DEFINE_KERNELS, in the compiled form.
#if !TAVIK_COMPILED_KERNELS || defined(TAVIK_DETAIL_DEFINE_KERNELS)
#include "Skeleton.h"
// The lane sets and their entry points, over the skeleton:
#include "Avx2.h"
#include "Avx512.h"
#include "Neon.h"
#endif

#endif  // TAVIK_VECTOR_PATHS
#endif  // TAVIK_DETAIL_KERNELS_H
