// SPDX-License-Identifier: BSL-1.0
// The AVX2 lane set and its kernels; part of the kernels' definitions.
#ifndef TAVIK_DETAIL_AVX2_H
#define TAVIK_DETAIL_AVX2_H

#if TAVIK_DETAIL_AVX2

#include <immintrin.h>

TAVIK_DETAIL_BEGIN_KERNELS

// AVX2: 256-bit vectors. With no compress instruction, the kept lanes are
// packed by table: 4- and 8-byte lanes by a permutation of the eight 4-byte
// words, narrower lanes eight at a time by a byte shuffle (a table for more
// would not fit in cache).
template <VectorElement T>
struct Avx2Lanes {
  using Mask = unsigned;
  static constexpr int kLanes = 32 / sizeof(T);
  static constexpr Mask kAll = ~Mask{0} >> (32 - kLanes);
  __m256i vector;

  TAVIK_DETAIL_AVX2_TARGET explicit Avx2Lanes(T item)
      : vector(load(detail::copies<kLanes>(item).lane)) {}

  TAVIK_DETAIL_AVX2_TARGET Mask equal(const T* block) const {
    const __m256i loaded = load(block);
    if constexpr (std::same_as<T, float>) {
      return mask_of(_mm256_castps_si256(_mm256_cmp_ps(
          _mm256_castsi256_ps(loaded), _mm256_castsi256_ps(vector), _CMP_EQ_OQ)));
    } else if constexpr (std::same_as<T, double>) {
      return mask_of(_mm256_castpd_si256(_mm256_cmp_pd(
          _mm256_castsi256_pd(loaded), _mm256_castsi256_pd(vector), _CMP_EQ_OQ)));
    } else if constexpr (sizeof(T) == 1) {
      return mask_of(_mm256_cmpeq_epi8(loaded, vector));
    } else if constexpr (sizeof(T) == 2) {
      return mask_of(_mm256_cmpeq_epi16(loaded, vector));
    } else if constexpr (sizeof(T) == 4) {
      return mask_of(_mm256_cmpeq_epi32(loaded, vector));
    } else {
      return mask_of(_mm256_cmpeq_epi64(loaded, vector));
    }
  }

  TAVIK_DETAIL_AVX2_TARGET static Mask flagged(const FlagOf<T>* flags) {
    return mask_of(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(flags)));
  }

  TAVIK_DETAIL_AVX2_TARGET static T* store_kept(T* to, const T* block, Mask keep) {
    const __m256i loaded = load(block);
    if constexpr (sizeof(T) >= 4) {
      const auto* words = kPackParts<kLanes, sizeof(T) / 4>.lane[keep].lane;
      const __m256i order =
          _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(words)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                          _mm256_permutevar8x32_epi32(loaded, order));
      return to + detail::popcount(keep);
    } else {
      const __m128i low = _mm256_castsi256_si128(loaded);
      const __m128i high = _mm256_extracti128_si256(loaded, 1);
      if constexpr (sizeof(T) == 1) {
        to = store_eight(to, low, keep);
        to = store_eight(to, _mm_srli_si128(low, 8), keep >> 8);
        to = store_eight(to, high, keep >> 16);
        return store_eight(to, _mm_srli_si128(high, 8), keep >> 24);
      } else {
        to = store_eight(to, low, keep);
        return store_eight(to, high, keep >> 8);
      }
    }
  }

  TAVIK_DETAIL_AVX2_TARGET void store(T* to) const {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), vector);
  }

  TAVIK_DETAIL_AVX2_TARGET void add(const T* block) { vector = add(vector, load(block)); }
  TAVIK_DETAIL_AVX2_TARGET void add(const Avx2Lanes& other) {
    vector = add(vector, other.vector);
  }

 private:
  // Floating-point blocks load as such, so that the compiler sees equal's
  // load and store_kept's as one and reads the block once.
  TAVIK_DETAIL_AVX2_TARGET static __m256i load(const T* block) {
    if constexpr (std::same_as<T, float>) {
      return _mm256_castps_si256(_mm256_loadu_ps(block));
    } else if constexpr (std::same_as<T, double>) {
      return _mm256_castpd_si256(_mm256_loadu_pd(block));
    } else {
      return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    }
  }

  // lanes, each all ones or all zeros, as a Mask.
  TAVIK_DETAIL_AVX2_TARGET static Mask mask_of(__m256i lanes) {
    if constexpr (sizeof(T) == 1) {
      return static_cast<Mask>(_mm256_movemask_epi8(lanes));
    } else if constexpr (sizeof(T) == 2) {
      return static_cast<Mask>(_mm_movemask_epi8(_mm_packs_epi16(
          _mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1))));
    } else if constexpr (sizeof(T) == 4) {
      return static_cast<Mask>(_mm256_movemask_ps(_mm256_castsi256_ps(lanes)));
    } else {
      return static_cast<Mask>(_mm256_movemask_pd(_mm256_castsi256_pd(lanes)));
    }
  }

  TAVIK_DETAIL_AVX2_TARGET static __m256i add(__m256i a, __m256i b) {
    if constexpr (sizeof(T) == 1) {
      return _mm256_add_epi8(a, b);
    } else if constexpr (sizeof(T) == 2) {
      return _mm256_add_epi16(a, b);
    } else if constexpr (sizeof(T) == 4) {
      return _mm256_add_epi32(a, b);
    } else {
      return _mm256_add_epi64(a, b);
    }
  }

  // The eight lanes at the bottom of eight whose bits keep's low byte sets.
  TAVIK_DETAIL_AVX2_TARGET static T* store_eight(T* to, __m128i eight, Mask keep) {
    keep &= 0xFFu;
    const auto* order =
        reinterpret_cast<const __m128i*>(kPackParts<8, sizeof(T)>.lane[keep].lane);
    auto* packed = reinterpret_cast<__m128i*>(to);
    if constexpr (sizeof(T) == 1) {
      _mm_storel_epi64(packed, _mm_shuffle_epi8(eight, _mm_loadl_epi64(order)));
    } else {
      _mm_storeu_si128(packed, _mm_shuffle_epi8(eight, _mm_loadu_si128(order)));
    }
    return to + detail::popcount(keep);
  }
};

// The entry points, declared in Kernels.h: each compiles the skeleton for
// its instruction set.
template <class T>
TAVIK_DETAIL_AVX2_TARGET T* remove_avx2(T* begin, T* end, T item) {
  return detail::remove_vector<detail::Avx2Lanes<T>>(begin, end, item);
}

template <class T>
TAVIK_DETAIL_AVX2_TARGET T sum_avx2(const T* begin, const T* end) {
  return detail::sum_vector<detail::Avx2Lanes<T>>(begin, end);
}

template <class T>
TAVIK_DETAIL_AVX2_TARGET T* remove_flagged_avx2(T* from, T* end, T* kept,
                                                const FlagOf<T>* flags, bool last) {
  return detail::remove_flagged_vector<detail::Avx2Lanes<T>>(from, end, kept, flags,
                                                             last);
}

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_DETAIL_AVX2
#endif  // TAVIK_DETAIL_AVX2_H
