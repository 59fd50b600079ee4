// SPDX-License-Identifier: BSL-1.0
// The one boundary between the plain loops and the vector kernels; part of
// <tavik/Functions.h>.
#ifndef TAVIK_DETAIL_DISPATCH_H
#define TAVIK_DETAIL_DISPATCH_H

namespace Tavik {
inline namespace TAVIK_DETAIL_VERSION_NAMESPACE {
namespace detail {
inline namespace TAVIK_DETAIL_PATHS_NAMESPACE {

// The one test that chooses a vector path for T, or otherwise where this
// processor or build has none: sum and remove take the path it names, and
// sum_path and remove_path report it, so the report and the call agree.
template <VectorElement T>
Path vector_path(Path otherwise) noexcept {
#if TAVIK_AVX512_PATHS
  if (detail::avx512_available<T>()) return Path::avx512;
#endif
#if TAVIK_DETAIL_AVX2
  if (detail::avx2_available()) return Path::avx2;
#endif
#if TAVIK_DETAIL_NEON
  static_cast<void>(otherwise);
  return Path::neon;
#else
  return otherwise;
#endif
}

// sum and remove on the path that path names. The if constexpr only keeps
// out what cannot compile for T; path alone decides.
template <Summable T>
T sum_on(Path path, const T* begin, const T* end) {
  if constexpr (VectorInteger<T>) {
#if TAVIK_AVX512_PATHS
    if (path == Path::avx512) return detail::sum_avx512(begin, end);
#endif
#if TAVIK_DETAIL_AVX2
    if (path == Path::avx2) return detail::sum_avx2(begin, end);
#endif
#if TAVIK_DETAIL_NEON
    if (path == Path::neon) return detail::sum_neon(begin, end);
#endif
  }
  static_cast<void>(path);
  return detail::sum_generic(begin, end);
}

template <class T, class U>
T* remove_on(Path path, T* begin, T* end, U item) requires Removable<T, U> {
  if constexpr (VectorElement<T> && std::same_as<T, U>) {
#if TAVIK_AVX512_PATHS
    if (path == Path::avx512) return detail::remove_avx512(begin, end, item);
#endif
#if TAVIK_DETAIL_AVX2
    if (path == Path::avx2) return detail::remove_avx2(begin, end, item);
#endif
#if TAVIK_DETAIL_NEON
    if (path == Path::neon) return detail::remove_neon(begin, end, item);
#endif
  }
  if constexpr (std::is_trivially_copyable_v<T>) {
    if (path == Path::branchless)
      return detail::remove_branchless(begin, end, std::move(item));
  }
  return detail::remove_generic(begin, end, std::move(item));
}

}  // namespace TAVIK_DETAIL_PATHS_NAMESPACE
}  // namespace detail
}  // namespace TAVIK_DETAIL_VERSION_NAMESPACE
}  // namespace Tavik

#endif  // TAVIK_DETAIL_DISPATCH_H
