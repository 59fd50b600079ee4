// SPDX-License-Identifier: BSL-1.0
// The AVX-512 lane sets and their kernels; part of the kernels' definitions.
#ifndef TAVIK_DETAIL_AVX512_H
#define TAVIK_DETAIL_AVX512_H

#if TAVIK_AVX512_PATHS

#include <immintrin.h>

TAVIK_DETAIL_BEGIN_KERNELS

// AVX-512: 512-bit vectors and a compress instruction for every width. The
// kept lanes are compressed in a register, never in memory (compress to
// memory is microcoded and slow on Zen 4). They compress into the block's
// own register, the lanes past the kept ones keeping the block's values, so
// that each block's result depends on its own load alone: a zeroing compress
// into the one register GCC reuses every iteration waits on its previous
// value on Zen 4 and Zen 5, which chains the whole loop into one.
template <VectorElement T, bool kNarrow = (sizeof(T) < 4)>
struct Avx512Lanes {
  using Mask = unsigned;
  static constexpr int kLanes = 64 / sizeof(T);
  static constexpr Mask kAll = (Mask{1} << kLanes) - 1;
  __m512i vector;

  TAVIK_DETAIL_AVX512F_TARGET explicit Avx512Lanes(T item)
      : vector(load(detail::copies<kLanes>(item).lane)) {}

  TAVIK_DETAIL_AVX512F_TARGET Mask equal(const T* block) const {
    const __m512i loaded = load(block);
    if constexpr (std::same_as<T, float>) {
      return _mm512_cmp_ps_mask(_mm512_castsi512_ps(loaded), _mm512_castsi512_ps(vector),
                                _CMP_EQ_OQ);
    } else if constexpr (std::same_as<T, double>) {
      return _mm512_cmp_pd_mask(_mm512_castsi512_pd(loaded), _mm512_castsi512_pd(vector),
                                _CMP_EQ_OQ);
    } else if constexpr (sizeof(T) == 4) {
      return _mm512_cmpeq_epi32_mask(loaded, vector);
    } else {
      return _mm512_cmpeq_epi64_mask(loaded, vector);
    }
  }

  TAVIK_DETAIL_AVX512F_TARGET static Mask flagged(const FlagOf<T>* flags) {
    const __m512i loaded = _mm512_loadu_si512(flags);
    if constexpr (sizeof(T) == 4) {
      return _mm512_test_epi32_mask(loaded, loaded);
    } else {
      return _mm512_test_epi64_mask(loaded, loaded);
    }
  }

  TAVIK_DETAIL_AVX512F_TARGET static T* store_kept(T* to, const T* block, Mask keep) {
    _mm512_storeu_si512(to, compressed(block, keep));
    return to + detail::popcount(keep);
  }

  TAVIK_DETAIL_AVX512F_TARGET static T* store_kept_only(T* to, const T* block,
                                                        Mask keep) {
    const int kept = detail::popcount(keep);
    const Mask first = _bzhi_u32(kAll, static_cast<unsigned>(kept));
    if constexpr (sizeof(T) == 4) {
      _mm512_mask_storeu_epi32(to, static_cast<__mmask16>(first),
                               compressed(block, keep));
    } else {
      _mm512_mask_storeu_epi64(to, static_cast<__mmask8>(first), compressed(block, keep));
    }
    return to + kept;
  }

  TAVIK_DETAIL_AVX512F_TARGET void store(T* to) const { _mm512_storeu_si512(to, vector); }

  TAVIK_DETAIL_AVX512F_TARGET void add(const T* block) {
    vector = add(vector, load(block));
  }
  TAVIK_DETAIL_AVX512F_TARGET void add(const Avx512Lanes& other) {
    vector = add(vector, other.vector);
  }

 private:
  // As Avx2Lanes::load.
  TAVIK_DETAIL_AVX512F_TARGET static __m512i load(const T* block) {
    if constexpr (std::same_as<T, float>) {
      return _mm512_castps_si512(_mm512_loadu_ps(block));
    } else if constexpr (std::same_as<T, double>) {
      return _mm512_castpd_si512(_mm512_loadu_pd(block));
    } else {
      return _mm512_loadu_si512(block);
    }
  }

  TAVIK_DETAIL_AVX512F_TARGET static __m512i add(__m512i a, __m512i b) {
    if constexpr (sizeof(T) == 4) {
      return _mm512_add_epi32(a, b);
    } else {
      return _mm512_add_epi64(a, b);
    }
  }

  TAVIK_DETAIL_AVX512F_TARGET static __m512i compressed(const T* block, Mask keep) {
    const __m512i loaded = load(block);
    if constexpr (sizeof(T) == 4) {
      return _mm512_mask_compress_epi32(loaded, static_cast<__mmask16>(keep), loaded);
    } else {
      return _mm512_mask_compress_epi64(loaded, static_cast<__mmask8>(keep), loaded);
    }
  }
};

// Byte and 2-byte lanes.
template <VectorElement T>
struct Avx512Lanes<T, true> {
  using Mask = std::conditional_t<sizeof(T) == 1, std::uint64_t, unsigned>;
  static constexpr int kLanes = 64 / sizeof(T);
  static constexpr Mask kAll = ~Mask{0};
  __m512i vector;

  TAVIK_DETAIL_AVX512BW_TARGET explicit Avx512Lanes(T item)
      : vector(_mm512_loadu_si512(detail::copies<kLanes>(item).lane)) {}

  TAVIK_DETAIL_AVX512BW_TARGET Mask equal(const T* block) const {
    const __m512i loaded = _mm512_loadu_si512(block);
    if constexpr (sizeof(T) == 1) {
      return _mm512_cmpeq_epi8_mask(loaded, vector);
    } else {
      return _mm512_cmpeq_epi16_mask(loaded, vector);
    }
  }

  TAVIK_DETAIL_AVX512BW_TARGET static Mask flagged(const FlagOf<T>* flags) {
    const __m512i loaded = _mm512_loadu_si512(flags);
    if constexpr (sizeof(T) == 1) {
      return _mm512_test_epi8_mask(loaded, loaded);
    } else {
      return _mm512_test_epi16_mask(loaded, loaded);
    }
  }

  TAVIK_DETAIL_AVX512BW_TARGET static T* store_kept(T* to, const T* block, Mask keep) {
    _mm512_storeu_si512(to, compressed(block, keep));
    return to + detail::popcount(keep);
  }

  TAVIK_DETAIL_AVX512BW_TARGET static T* store_kept_only(T* to, const T* block,
                                                         Mask keep) {
    const int kept = detail::popcount(keep);
    if constexpr (sizeof(T) == 1) {
      _mm512_mask_storeu_epi8(to, _bzhi_u64(kAll, static_cast<unsigned>(kept)),
                              compressed(block, keep));
    } else {
      _mm512_mask_storeu_epi16(to, _bzhi_u32(kAll, static_cast<unsigned>(kept)),
                               compressed(block, keep));
    }
    return to + kept;
  }

  TAVIK_DETAIL_AVX512BW_TARGET void store(T* to) const {
    _mm512_storeu_si512(to, vector);
  }

  TAVIK_DETAIL_AVX512BW_TARGET void add(const T* block) {
    vector = add(vector, _mm512_loadu_si512(block));
  }
  TAVIK_DETAIL_AVX512BW_TARGET void add(const Avx512Lanes& other) {
    vector = add(vector, other.vector);
  }

 private:
  TAVIK_DETAIL_AVX512BW_TARGET static __m512i add(__m512i a, __m512i b) {
    if constexpr (sizeof(T) == 1) {
      return _mm512_add_epi8(a, b);
    } else {
      return _mm512_add_epi16(a, b);
    }
  }

  // As the wider lanes' compressed.
  TAVIK_DETAIL_AVX512BW_TARGET static __m512i compressed(const T* block, Mask keep) {
    const __m512i loaded = _mm512_loadu_si512(block);
    if constexpr (sizeof(T) == 1) {
      return _mm512_mask_compress_epi8(loaded, keep, loaded);
    } else {
      return _mm512_mask_compress_epi16(loaded, keep, loaded);
    }
  }
};

// The entry points, declared in Kernels.h: each compiles the skeleton for
// its instruction set.
template <class T, Store kForm>
TAVIK_DETAIL_AVX512F_TARGET T* remove_avx512f(T* begin, T* end, T item) {
  return detail::remove_vector<detail::Avx512Lanes<T>, kForm>(begin, end, item);
}

template <class T, Store kForm>
TAVIK_DETAIL_AVX512BW_TARGET T* remove_avx512bw(T* begin, T* end, T item) {
  return detail::remove_vector<detail::Avx512Lanes<T>, kForm>(begin, end, item);
}

template <class T>
TAVIK_DETAIL_AVX512F_TARGET T sum_avx512f(const T* begin, const T* end) {
  return detail::sum_vector<detail::Avx512Lanes<T>>(begin, end);
}

template <class T>
TAVIK_DETAIL_AVX512BW_TARGET T sum_avx512bw(const T* begin, const T* end) {
  return detail::sum_vector<detail::Avx512Lanes<T>>(begin, end);
}

template <class T>
TAVIK_DETAIL_AVX512F_TARGET T* remove_flagged_avx512f(T* from, T* end, T* kept,
                                                      const FlagOf<T>* flags, bool last) {
  return detail::remove_flagged_vector<detail::Avx512Lanes<T>>(from, end, kept, flags,
                                                               last);
}

template <class T>
TAVIK_DETAIL_AVX512BW_TARGET T* remove_flagged_avx512bw(T* from, T* end, T* kept,
                                                        const FlagOf<T>* flags,
                                                        bool last) {
  return detail::remove_flagged_vector<detail::Avx512Lanes<T>>(from, end, kept, flags,
                                                               last);
}

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_AVX512_PATHS
#endif  // TAVIK_DETAIL_AVX512_H
