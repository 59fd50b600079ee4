// SPDX-License-Identifier: BSL-1.0
// The NEON lane set and its kernels; part of the kernels' definitions.
#ifndef TAVIK_DETAIL_NEON_H
#define TAVIK_DETAIL_NEON_H

#if TAVIK_DETAIL_NEON

#include <arm_neon.h>

TAVIK_DETAIL_BEGIN_KERNELS

// NEON: 128-bit vectors. With no mask instruction, equal weighs each lane of
// the compare by its bit and adds across; with no compress, the kept lanes
// are packed by a table lookup, 2-, 4- and 8-byte lanes over the vector's 16
// bytes, byte lanes eight at a time (a table for 16 would not fit in cache).
template <VectorElement T>
struct NeonLanes {
  using Mask = unsigned;
  static constexpr int kLanes = 16 / sizeof(T);
  static constexpr Mask kAll = (Mask{1} << kLanes) - 1;
  uint8x16_t vector;

  explicit NeonLanes(T item) : vector(load(detail::copies<kLanes>(item).lane)) {}

  Mask equal(const T* block) const {
    const uint8x16_t loaded = load(block);
    if constexpr (std::same_as<T, float>) {
      return mask(vreinterpretq_u8_u32(
          vceqq_f32(vreinterpretq_f32_u8(loaded), vreinterpretq_f32_u8(vector))));
    } else if constexpr (std::same_as<T, double>) {
      return mask(vreinterpretq_u8_u64(
          vceqq_f64(vreinterpretq_f64_u8(loaded), vreinterpretq_f64_u8(vector))));
    } else if constexpr (sizeof(T) == 1) {
      return mask(vceqq_u8(loaded, vector));
    } else if constexpr (sizeof(T) == 2) {
      return mask(vreinterpretq_u8_u16(
          vceqq_u16(vreinterpretq_u16_u8(loaded), vreinterpretq_u16_u8(vector))));
    } else if constexpr (sizeof(T) == 4) {
      return mask(vreinterpretq_u8_u32(
          vceqq_u32(vreinterpretq_u32_u8(loaded), vreinterpretq_u32_u8(vector))));
    } else {
      return mask(vreinterpretq_u8_u64(
          vceqq_u64(vreinterpretq_u64_u8(loaded), vreinterpretq_u64_u8(vector))));
    }
  }

  static Mask flagged(const FlagOf<T>* flags) {
    return mask(vld1q_u8(reinterpret_cast<const std::uint8_t*>(flags)));
  }

  static T* store_kept(T* to, const T* block, Mask keep) {
    const uint8x16_t loaded = load(block);
    if constexpr (sizeof(T) == 1) {
      to = store_eight(to, vget_low_u8(loaded), keep);
      return store_eight(to, vget_high_u8(loaded), keep >> 8);
    } else {
      const std::uint8_t* const bytes = kPackParts<kLanes, sizeof(T)>.lane[keep].lane;
      const uint8x16_t order = vld1q_u8(bytes);
      vst1q_u8(reinterpret_cast<std::uint8_t*>(to), vqtbl1q_u8(loaded, order));
      return to + detail::popcount(keep);
    }
  }

  void store(T* to) const { vst1q_u8(reinterpret_cast<std::uint8_t*>(to), vector); }

  void add(const T* block) { vector = add(vector, load(block)); }
  void add(const NeonLanes& other) { vector = add(vector, other.vector); }

 private:
  using LaneBits = std::conditional_t<
      sizeof(T) == 1, std::uint8_t,
      std::conditional_t<
          sizeof(T) == 2, std::uint16_t,
          std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

  // Each lane's bit in its mask, within a byte for byte lanes.
  static constexpr auto kLaneBits = [] {
    LaneArray<LaneBits, static_cast<std::size_t>(kLanes)> bits{};
    for (std::size_t lane = 0; lane < static_cast<std::size_t>(kLanes); ++lane) {
      bits.lane[lane] = static_cast<LaneBits>(1U << (lane % 8));
    }
    return bits;
  }();

  static uint8x16_t load(const T* block) {
    return vld1q_u8(reinterpret_cast<const std::uint8_t*>(block));
  }

  // equal's lanes, all ones or all zeros, as a Mask.
  static Mask mask(uint8x16_t equal) {
    const uint8x16_t bits =
        vandq_u8(equal, vld1q_u8(reinterpret_cast<const std::uint8_t*>(kLaneBits.lane)));
    if constexpr (sizeof(T) == 1) {
      return vaddv_u8(vget_low_u8(bits)) | (Mask{vaddv_u8(vget_high_u8(bits))} << 8);
    } else if constexpr (sizeof(T) == 2) {
      return vaddvq_u16(vreinterpretq_u16_u8(bits));
    } else if constexpr (sizeof(T) == 4) {
      return vaddvq_u32(vreinterpretq_u32_u8(bits));
    } else {
      return static_cast<Mask>(vaddvq_u64(vreinterpretq_u64_u8(bits)));
    }
  }

  static uint8x16_t add(uint8x16_t a, uint8x16_t b) {
    if constexpr (sizeof(T) == 1) {
      return vaddq_u8(a, b);
    } else if constexpr (sizeof(T) == 2) {
      return vreinterpretq_u8_u16(
          vaddq_u16(vreinterpretq_u16_u8(a), vreinterpretq_u16_u8(b)));
    } else if constexpr (sizeof(T) == 4) {
      return vreinterpretq_u8_u32(
          vaddq_u32(vreinterpretq_u32_u8(a), vreinterpretq_u32_u8(b)));
    } else {
      return vreinterpretq_u8_u64(
          vaddq_u64(vreinterpretq_u64_u8(a), vreinterpretq_u64_u8(b)));
    }
  }

  // The eight byte lanes at the bottom of eight whose bits keep's low byte
  // sets.
  static T* store_eight(T* to, uint8x8_t eight, Mask keep) {
    keep &= 0xFFU;
    const std::uint8_t* const bytes = kPackParts<8, 1>.lane[keep].lane;
    vst1_u8(reinterpret_cast<std::uint8_t*>(to), vtbl1_u8(eight, vld1_u8(bytes)));
    return to + detail::popcount(keep);
  }
};

// The entry points, declared in Kernels.h.
template <class T>
T* remove_neon(T* begin, T* end, T item) {
  return detail::remove_vector<detail::NeonLanes<T>>(begin, end, item);
}

template <class T>
T sum_neon(const T* begin, const T* end) {
  return detail::sum_vector<detail::NeonLanes<T>>(begin, end);
}

template <class T>
T* remove_flagged_neon(T* from, T* end, T* kept, const FlagOf<T>* flags, bool last) {
  return detail::remove_flagged_vector<detail::NeonLanes<T>>(from, end, kept, flags,
                                                             last);
}

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_DETAIL_NEON
#endif  // TAVIK_DETAIL_NEON_H
