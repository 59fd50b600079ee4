// SPDX-License-Identifier: BSL-1.0
// The one boundary between the plain loops and the vector kernels; part of
// <tavik/Functions.h>.
#ifndef TAVIK_DETAIL_DISPATCH_H
#define TAVIK_DETAIL_DISPATCH_H

#include <cstdint>

#include "Kernels.h"

namespace Tavik {
inline namespace TAVIK_DETAIL_ABI_NAMESPACE {

// The ways sum, remove and remove_if can take: the plain loops, which define
// what they do, the branchless removal, and the vector paths.
enum class Path { plain, branchless, avx2, avx512, neon };

}  // namespace TAVIK_DETAIL_ABI_NAMESPACE
}  // namespace Tavik

TAVIK_DETAIL_BEGIN_DETAIL

#if TAVIK_DETAIL_AVX2
inline bool avx2_available() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}
#endif

#if TAVIK_AVX512_PATHS
// As the kernels' targets name them (Kernels.h).
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
#endif

#if TAVIK_AVX512_PATHS
// The AVX-512 kernels for T: AVX-512F's for 4- and 8-byte lanes, those that
// also need BW and VBMI2 for narrower ones (Kernels.h).
template <VectorElement T, Store kForm = Store::by_size>
T* remove_avx512(T* begin, T* end, T item) {
  if constexpr (sizeof(T) >= 4) {
    return detail::remove_avx512f<T, kForm>(begin, end, item);
  } else {
    return detail::remove_avx512bw<T, kForm>(begin, end, item);
  }
}

template <VectorInteger T>
T sum_avx512(const T* begin, const T* end) {
  if constexpr (sizeof(T) >= 4) {
    return detail::sum_avx512f(begin, end);
  } else {
    return detail::sum_avx512bw(begin, end);
  }
}

template <VectorElement T>
T* remove_flagged_avx512(T* from, T* end, T* kept, const FlagOf<T>* flags, bool last) {
  if constexpr (sizeof(T) >= 4) {
    return detail::remove_flagged_avx512f(from, end, kept, flags, last);
  } else {
    return detail::remove_flagged_avx512bw(from, end, kept, flags, last);
  }
}
#endif

// The one test that chooses a vector path for T, or otherwise where this
// processor or build has none: sum, remove and remove_if take the path it
// names, and sum_path and remove_path report it, so the report and the call
// agree.
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

// sum, remove and remove_if on the path that path names. The if constexpr
// only keeps out what cannot compile for T; path alone decides.
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

#if TAVIK_VECTOR_PATHS

// The kernel's remove_flagged (Kernels.h) on a vector path.
template <VectorElement T>
T* remove_flagged_on(Path path, T* from, T* end, T* kept, const FlagOf<T>* flags,
                     bool last) {
#if TAVIK_AVX512_PATHS
  if (path == Path::avx512)
    return detail::remove_flagged_avx512(from, end, kept, flags, last);
#endif
#if TAVIK_DETAIL_AVX2
  static_cast<void>(path);
  return detail::remove_flagged_avx2(from, end, kept, flags, last);
#else
  static_cast<void>(path);
  return detail::remove_flagged_neon(from, end, kept, flags, last);
#endif
}

// The caller's elements in blocks of this many, which start 64 bytes apart
// after the first, so that the kernels' vectors start on their boundaries.
inline constexpr std::ptrdiff_t kFlaggedBlock = 256;

// remove_if on a vector path. Here, in the caller's file and with its
// flags, pred answers for a block of elements at a time, in order, into
// flags on the stack; the kernel then takes the block by its flags. Should
// pred throw, the kernel first takes the elements it has answered for, so
// that the range is left as the plain loop leaves it, except in the places
// past the kept elements and before the one pred threw on.
template <VectorElement T, class Pred>
T* remove_if_by_flags(Path path, T* begin, T* end, Pred& pred) {
  using Flag = FlagOf<T>;
  alignas(64) Flag flags[kFlaggedBlock];
  // Whole blocks take the loop of constant length, which GCC vectorizes at
  // -O2 too; answered counts the answers, for the handler below.
  std::ptrdiff_t answered = 0;
  const auto answer = [&](T* from, std::ptrdiff_t count) {
    for (; answered < count; ++answered) {
      flags[answered] =
          detail::satisfies(pred, from[answered]) ? static_cast<Flag>(~Flag{0}) : Flag{0};
    }
  };
  const auto answer_block = [&](T* from, std::ptrdiff_t count) {
    answered = 0;
    if (count == kFlaggedBlock) {
      answer(from, kFlaggedBlock);
    } else {
      answer(from, count);
    }
  };
  T* kept = nullptr;  // until something matches
  constexpr std::uintptr_t kBlockBytes = 64;
  const std::uintptr_t past_boundary =
      reinterpret_cast<std::uintptr_t>(begin) % kBlockBytes;
  std::ptrdiff_t count =
      kFlaggedBlock - static_cast<std::ptrdiff_t>(past_boundary / sizeof(T));
  for (T* from = begin; from != end; from += count, count = kFlaggedBlock) {
    if (end - from < count) count = end - from;
#if defined(__cpp_exceptions) || defined(__EXCEPTIONS)
    if constexpr (!std::is_nothrow_invocable_v<Pred&, T&>) {
      try {
        answer_block(from, count);
      } catch (...) {
        if (answered != 0) {
          kept =
              detail::remove_flagged_on(path, from, from + answered, kept, flags, false);
        }
        throw;
      }
    } else {
      answer_block(from, count);
    }
#else
    answer_block(from, count);
#endif
    kept = detail::remove_flagged_on(path, from, from + count, kept, flags,
                                     from + count == end);
  }
  return kept == nullptr ? end : kept;
}

#endif  // TAVIK_VECTOR_PATHS

template <class T, class Pred>
T* remove_if_on(Path path, T* begin, T* end, Pred& pred) requires RemovableIf<T, Pred> {
#if TAVIK_VECTOR_PATHS
  if constexpr (VectorElement<T>) {
    if (path == Path::avx512 || path == Path::avx2 || path == Path::neon) {
      return detail::remove_if_by_flags(path, begin, end, pred);
    }
  }
#endif
  if constexpr (std::is_trivially_copyable_v<T>) {
    if (path == Path::branchless) return detail::remove_if_branchless(begin, end, pred);
  }
  return detail::remove_if_generic(begin, end, pred);
}

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_DETAIL_DISPATCH_H
