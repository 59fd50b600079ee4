// SPDX-License-Identifier: BSL-1.0
// The vector kernels' entry points, declared; part of <tavik/Functions.h>.
// Each runs the skeleton (Skeleton.h) over its instruction set's lanes, and
// returns exactly what the plain loops (Loops.h) return. In the header-only
// form their definitions follow here; in the compiled form (with
// TAVIK_COMPILED_KERNELS=1) the library holds them, compiled once, and
// nothing here includes an intrinsics header.
//
// The entry points are the compiled library's interface, so they are
// templates with no constraints, whose names every compiler mangles alike,
// taking only elements, an item and flags: never a caller's code.
#ifndef TAVIK_DETAIL_KERNELS_H
#define TAVIK_DETAIL_KERNELS_H

#include <cstddef>
#include <cstdint>

#include "Loops.h"

// The compiled library's entry points are a shared library's exports,
// whatever visibility its build or a parent that embeds it asks for by
// default (its build defines TAVIK_DETAIL_SHARED_KERNELS); a static library
// hides them, so that a shared object that links it does not export them.
// Users' files declare them exported: the linker keeps the narrower of the
// two.
#if TAVIK_COMPILED_KERNELS && (defined(__ELF__) || defined(__APPLE__))
#if defined(TAVIK_DETAIL_DEFINE_KERNELS) && !defined(TAVIK_DETAIL_SHARED_KERNELS)
#define TAVIK_DETAIL_KERNEL __attribute__((visibility("hidden")))
#else
#define TAVIK_DETAIL_KERNEL __attribute__((visibility("default")))
#endif
#else
#define TAVIK_DETAIL_KERNEL
#endif

#if TAVIK_COMPILED_KERNELS
TAVIK_DETAIL_BEGIN_KERNELS
// TAVIK_VERSION as the library was built.
TAVIK_DETAIL_KERNEL int library_version() noexcept;
TAVIK_DETAIL_END_DETAIL
#endif

#if TAVIK_VECTOR_PATHS

namespace Tavik {
inline namespace TAVIK_DETAIL_ABI_NAMESPACE {
namespace detail {

// How compaction stores a block: the whole vector (store_kept), or the kept
// elements alone (store_kept_only), or whichever suits the range's size.
enum class Store { by_size, whole_vector, kept_lanes };

}  // namespace detail
}  // namespace TAVIK_DETAIL_ABI_NAMESPACE
}  // namespace Tavik

TAVIK_DETAIL_BEGIN_KERNELS

// remove_if's answers for a block of elements, one flag of the element's
// width each: all ones where the predicate took the element, else zero.
// The kernels read them as they read the lanes of a comparison. The trait is
// the library's own, not std::conditional, whose namespace differs between
// standard libraries (std::__1 in libc++) and would put that into the
// kernels' names.
template <std::size_t kBytes>
struct FlagOfWidth;
template <>
struct FlagOfWidth<1> {
  using type = std::uint8_t;
};
template <>
struct FlagOfWidth<2> {
  using type = std::uint16_t;
};
template <>
struct FlagOfWidth<4> {
  using type = std::uint32_t;
};
template <>
struct FlagOfWidth<8> {
  using type = std::uint64_t;
};
template <class T>
using FlagOf = typename FlagOfWidth<sizeof(T)>::type;

// remove over [begin, end): the new end.
// sum over [begin, end): the total.
// remove_flagged over [from, end), flags[i] standing for from[i]: with kept
// null, finds the first flagged element and returns null if there is none;
// otherwise (or then, from just past it) copies every unflagged element to
// kept onwards, kept lying before from, and returns the end of what it kept;
// if last, end is the range's end, and the places from there to end - 1
// take the range's last element, as remove leaves them.
// Stores only in [kept, end - 1), and nothing before the first flag.
//
// A declaration names its target as its definition does: to GCC, the same
// function under two targets would be two versions of it.
#if TAVIK_DETAIL_AVX2

#define TAVIK_DETAIL_AVX2_TARGET __attribute__((target("avx2,popcnt")))

template <class T>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX2_TARGET T* remove_avx2(T* begin, T* end, T item);

template <class T>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX2_TARGET T sum_avx2(const T* begin, const T* end);

template <class T>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX2_TARGET T* remove_flagged_avx2(
    T* from, T* end, T* kept, const FlagOf<T>* flags, bool last);

#if TAVIK_AVX512_PATHS

// AVX-512F serves 4- and 8-byte lanes; narrower ones also need BW for their
// compares and VBMI2 for their compress. BMI2 makes the mask of the first
// lanes that a store of the kept ones alone takes. The wide lanes' entry
// points are compiled for AVX-512F alone, so that nothing only a VBMI2
// processor has reaches a 4- or 8-byte path.
#define TAVIK_DETAIL_AVX512F_TARGET __attribute__((target("avx512f,bmi2,popcnt")))
#define TAVIK_DETAIL_AVX512BW_TARGET \
  __attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi2,popcnt")))

template <class T, Store kForm = Store::by_size>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX512F_TARGET T* remove_avx512f(T* begin, T* end,
                                                                  T item);

template <class T, Store kForm = Store::by_size>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX512BW_TARGET T* remove_avx512bw(T* begin, T* end,
                                                                    T item);

template <class T>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX512F_TARGET T sum_avx512f(const T* begin,
                                                              const T* end);

template <class T>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX512BW_TARGET T sum_avx512bw(const T* begin,
                                                                const T* end);

template <class T>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX512F_TARGET T* remove_flagged_avx512f(
    T* from, T* end, T* kept, const FlagOf<T>* flags, bool last);

template <class T>
TAVIK_DETAIL_KERNEL TAVIK_DETAIL_AVX512BW_TARGET T* remove_flagged_avx512bw(
    T* from, T* end, T* kept, const FlagOf<T>* flags, bool last);

#endif  // TAVIK_AVX512_PATHS
#endif  // TAVIK_DETAIL_AVX2

#if TAVIK_DETAIL_NEON

template <class T>
TAVIK_DETAIL_KERNEL T* remove_neon(T* begin, T* end, T item);

template <class T>
TAVIK_DETAIL_KERNEL T sum_neon(const T* begin, const T* end);

template <class T>
TAVIK_DETAIL_KERNEL T* remove_flagged_neon(T* from, T* end, T* kept,
                                           const FlagOf<T>* flags, bool last);

#endif  // TAVIK_DETAIL_NEON

TAVIK_DETAIL_END_DETAIL

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

// The targets and the export are the kernels' alone.
#undef TAVIK_DETAIL_KERNEL
#undef TAVIK_DETAIL_AVX2_TARGET
#undef TAVIK_DETAIL_AVX512F_TARGET
#undef TAVIK_DETAIL_AVX512BW_TARGET

#endif  // TAVIK_DETAIL_KERNELS_H
