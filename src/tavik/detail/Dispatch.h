// SPDX-License-Identifier: BSL-1.0
// The one boundary between the plain loops, the blocks path and the vector
// kernels, and the one driver of the removals that ask a block at a time;
// part of <tavik/Functions.h>.
#ifndef TAVIK_DETAIL_DISPATCH_H
#define TAVIK_DETAIL_DISPATCH_H

#include <cstdint>

#include "Blocks.h"
#include "Kernels.h"

namespace Tavik {
inline namespace TAVIK_DETAIL_ABI_NAMESPACE {

// The ways sum, remove and remove_if can take: the plain loops, which define
// what they do, the vector paths, and the blocks path (Blocks.h) for every
// other element type. branchless, 1.3's path for trivially copyable types,
// is no longer taken: they take blocks.
enum class Path { plain, branchless, avx2, avx512, neon, blocks };

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

// The path that remove over T with an item of type U takes, and remove_if
// over T with U = T: a vector path for numbers compared with their own type,
// where this processor has one, and otherwise blocks. An integer item of
// another type takes the element type's own path (Loops.h).
template <class T, class U>
Path remove_path_of() noexcept {
  if constexpr (OtherInteger<T, U>) {
    return detail::remove_path_of<T, T>();
  } else if constexpr (VectorElement<T> && std::same_as<T, U>) {
    return detail::vector_path<T>(Path::blocks);
  } else {
    return Path::blocks;
  }
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

// The vector paths' compaction, for the driver below: a flag of the
// element's width for each element of a block of up to 256, all ones where
// the element goes, which the library's kernel takes the block by. Blocks
// start 64 bytes apart after the first, so that the kernels' vectors start
// on their boundaries. Only the flags and the elements cross into the
// library.
template <Vacated kVacated, VectorElement T>
struct KernelCompaction {
  static constexpr std::ptrdiff_t kBlock = 256;
  static constexpr bool kTakesBranches = false;

  // The flags are written before they are read, block by block.
  explicit KernelCompaction(Path on) : path(on) {}

  Path path;
  alignas(64) FlagOf<T> flags[kBlock];

  static std::ptrdiff_t block(const T* from, const T* end) {
    constexpr std::uintptr_t kBoundary = 64;
    const std::uintptr_t past_boundary =
        reinterpret_cast<std::uintptr_t>(from) % kBoundary;
    const std::ptrdiff_t length =
        kBlock - static_cast<std::ptrdiff_t>(past_boundary / sizeof(T));
    return end - from < length ? end - from : length;
  }

  void flag(std::ptrdiff_t at, bool removes) {
    flags[at] = removes ? static_cast<FlagOf<T>>(~FlagOf<T>{0}) : FlagOf<T>{0};
  }

  // As BlockCompaction::take, but that kept may be null, until an element
  // goes: the kernel then finds the first. The kernel fills the places past
  // the kept elements in the last block, where kVacated asks for it.
  T* take(T* from, T* to, T* kept, bool last) {
    return detail::remove_flagged_on(path, from, to, kept, flags,
                                     last && kVacated == Vacated::last_element);
  }
  static T* finish(T* kept, T* /*end*/) { return kept; }
};

#endif  // TAVIK_VECTOR_PATHS

// The one driver of the removals that ask a block at a time. Here, in the
// caller's file and with its flags, removes answers for a block of elements
// at a time, in order, on the elements where they stand, into the
// compaction's flags; the compaction then takes the block by them (the
// blocks path's first finds the first element that goes, and may take a
// block by branches, asking as it goes).
// So removes, asked about an element, sees every element from the block's
// first on as it was, and before that the range as the plain loop leaves it
// there. Should removes throw, the compaction first takes the elements it
// has answered for, so that the range is left as the plain loop leaves it
// but in the places past the kept elements and before the one it threw on.
//
// The compaction is made here, from the arguments given, so that the
// compiler knows its flags for the driver's own: flags reached through a
// reference might be the elements themselves, and GCC at -O2 then left the
// answers' loop unvectorized (3 times std::remove_if's time with nothing
// to remove).
template <class Compaction, class T, class Removes, class... Arguments>
T* remove_by_flags(T* begin, T* end, Removes& removes, Arguments... arguments) {
  constexpr std::ptrdiff_t kBlock = Compaction::kBlock;
  Compaction compaction(arguments...);
  T* kept = nullptr;  // until an element goes
  if constexpr (Compaction::kTakesBranches) {
    kept = compaction.find(begin, end, removes);
    if (kept == end) return end;
    begin = kept + 1;
  }
  std::ptrdiff_t count = 0;
  for (T* from = begin; from != end; from += count) {
    count = compaction.block(from, end);
    const bool last = from + count == end;
    if constexpr (Compaction::kTakesBranches) {
      if (compaction.by_branches()) {
        kept = compaction.take_by_branches(from, from + count, kept, removes);
        continue;
      }
    }
    // Whole blocks take the loop of constant length, which GCC vectorizes at
    // -O2 too; answered counts the answers, for the handler below.
    std::ptrdiff_t answered = 0;
    const auto answer = [&](std::ptrdiff_t length) {
      for (; answered < length; ++answered) {
        compaction.flag(answered, removes(from[answered]));
      }
    };
    const auto answer_block = [&] {
      if (count == kBlock) {
        answer(kBlock);
      } else {
        answer(count);
      }
    };
#if defined(__cpp_exceptions) || defined(__EXCEPTIONS)
    if constexpr (!noexcept(removes(*from))) {
      try {
        answer_block();
      } catch (...) {
        if (answered != 0) {
          static_cast<void>(compaction.take(from, from + answered, kept, false));
        }
        throw;
      }
    } else {
      answer_block();
    }
#else
    answer_block();
#endif
    kept = compaction.take(from, from + count, kept, last);
  }
  return kept == nullptr ? end : compaction.finish(kept, end);
}

// Over the ways the kernels take no item: the plain loop, or the driver with
// the vector paths' compaction or the blocks path's.
template <Vacated kVacated, class T, class Removes>
T* remove_by_path(Path path, T* begin, T* end, Removes& removes) {
  if (path == Path::plain) return detail::remove_where<kVacated>(begin, end, removes);
#if TAVIK_VECTOR_PATHS
  if constexpr (VectorElement<T>) {
    if (path != Path::blocks) {
      return detail::remove_by_flags<KernelCompaction<kVacated, T>>(begin, end, removes,
                                                                    path);
    }
  }
#endif
  return detail::remove_by_flags<BlockCompaction<kVacated, T>>(begin, end, removes);
}

// remove, remove_if, erase and erase_if on the path that path names, leaving
// kVacated past the new end (the vector kernels that take an item fill the
// places past it for either, which no number can tell). The if constexpr
// only keeps out what cannot compile for T; path alone decides.
template <Vacated kVacated, class T, class U>
T* remove_on(Path path, T* begin, T* end, U& item) requires Removable<T, U> {
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
  EqualTo<U> removes{item};
  return detail::remove_by_path<kVacated>(path, begin, end, removes);
}

template <Vacated kVacated, class T, class Pred>
T* remove_if_on(Path path, T* begin, T* end, Pred& pred) requires RemovableIf<T, Pred> {
  Satisfies<Pred> removes{pred};
  return detail::remove_by_path<kVacated>(path, begin, end, removes);
}

// What remove and remove_if do, and erase and erase_if before they erase:
// the removal over [begin, end), leaving kVacated past the new end, on the
// path this processor takes; constant evaluation takes the plain loop. item
// is the public form's own copy, which nothing here copies or moves again.
template <Vacated kVacated, class T, class U>
constexpr T* remove_leaving(T* begin, T* end, U& item) {
  if constexpr (OtherInteger<T, U>) {
    if (!detail::some_element_can_equal<T>(item)) return end;
    T converted = static_cast<T>(item);
    return detail::remove_leaving<kVacated>(begin, end, converted);
  } else {
    if (std::is_constant_evaluated()) {
      return detail::remove_where<kVacated>(begin, end, EqualTo<U>{item});
    }
    return detail::remove_on<kVacated>(detail::remove_path_of<T, U>(), begin, end, item);
  }
}

template <Vacated kVacated, class T, class Pred>
constexpr T* remove_if_leaving(T* begin, T* end, Pred& pred) {
  if (std::is_constant_evaluated()) {
    return detail::remove_if_generic<kVacated>(begin, end, pred);
  }
  return detail::remove_if_on<kVacated>(detail::remove_path_of<T, T>(), begin, end, pred);
}

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_DETAIL_DISPATCH_H
