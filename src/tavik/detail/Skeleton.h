// SPDX-License-Identifier: BSL-1.0
// The vector paths' one skeleton (find, compact, fill; sum) over a lane set;
// part of the kernels' definitions.
#ifndef TAVIK_DETAIL_SKELETON_H
#define TAVIK_DETAIL_SKELETON_H

#include <cstddef>
#include <cstdint>

TAVIK_DETAIL_BEGIN_KERNELS

// The lanes of one vector in memory, as a lane set loads and stores them: a
// plain array, not std::array, whose members a file built with other
// instruction sets would compile to other code under the same names.
template <class T, std::size_t Count>
struct LaneArray {
  T lane[Count];
};

// For each mask of Lanes lanes to keep, the indices of the kept lanes' Parts
// parts (bytes for a byte shuffle, 4-byte words for a word permutation),
// packed to the bottom, then those of the other lanes: every lane of a
// packed vector is a whole element of the block, so that the places a
// partial compaction leaves past the kept ones (remove_if's, when the
// predicate throws) hold elements of the range, never parts of several.
template <std::size_t Lanes, std::size_t Parts>
inline constexpr auto kPackParts = [] {
  LaneArray<LaneArray<std::uint8_t, Lanes * Parts>, std::size_t{1} << Lanes> table{};
  for (std::size_t keep = 0; keep < (std::size_t{1} << Lanes); ++keep) {
    std::size_t next = 0;
    const auto append_lanes = [&](std::size_t kept) {
      for (std::size_t lane = 0; lane < Lanes; ++lane) {
        if (((keep >> lane) & 1) != kept) continue;
        for (std::size_t part = 0; part < Parts; ++part) {
          table.lane[keep].lane[next++] = static_cast<std::uint8_t>(lane * Parts + part);
        }
      }
    };
    append_lanes(1);
    append_lanes(0);
  }
  return table;
}();

// The vector paths are one skeleton (find, compact, fill; and sum) over a set
// of lane operations, one set per instruction set and element width. A Lanes
// object holds one vector of kLanes elements of T; a block is the kLanes
// elements at a pointer, at any alignment.
//   Lanes(item)                 item in every lane
//   equal(block)                a Mask with a bit for each element of the
//                               block that equals the item, lane 0 lowest;
//                               kAll has every lane's bit
//   flagged(flags)              a Mask with a bit for each of the kLanes
//                               flags at flags that is set (FlagOf<T>)
//   store_kept(to, block, keep) the block's elements whose bits keep sets,
//                               packed to the bottom and stored at to; stores
//                               only in [to, to + kLanes), the places past
//                               the kept ones taking any values, and only
//                               after reading the whole block; returns to
//                               plus the number kept
//   store_kept_only(to, block, keep)
//                               if a set has it: as store_kept, but stores
//                               only the kept elements, in [to, to + the
//                               number kept)
//   add(block), add(lanes)      integers: each lane plus the block's or the
//                               other's, wrapping
//   store(to)                   the lanes at to, in [to, to + kLanes)
//   vector                      the lanes themselves
// Floating-point lanes compare as == does: NaN equals nothing, -0.0 equals 0.0.
// An intrinsic may be a macro (clang's NEON ones are), so no argument of one
// holds a bare comma: a template's arguments are named in a variable first.
//
// The skeleton has no target of its own and passes no vector by value, so
// that it compiles anywhere. It is always inlined into the entry points at
// the end, which carry their instruction set's target, so that the lane
// operations are inlined there too and the whole is compiled for that set.

// The first place from p on, or end if sooner, where a block lies on a vector
// boundary. The paths start their blocks there: a load that straddles two
// cache lines costs two, and at 64 bytes every unaligned one does.
template <class Lanes, class T>
[[gnu::always_inline]] inline T* block_boundary(T* p, T* end) {
  constexpr std::uintptr_t kBytes = Lanes::kLanes * sizeof(T);
  const std::uintptr_t short_by =
      (kBytes - reinterpret_cast<std::uintptr_t>(p) % kBytes) % kBytes;
  const auto short_by_elements = static_cast<std::ptrdiff_t>(short_by / sizeof(T));
  return p + (short_by_elements < end - p ? short_by_elements : end - p);
}

// What the paths take out of a range, as find and compact ask it: of a
// block, a Mask of the lanes to take (matches) or to keep (keeps); of one
// element, whether to take it (the call, for the scalar head and tail).
//   ByItem   the elements that equal the item, for remove
//   ByFlags  the elements whose flag is set, flags[i] standing for base[i],
//            for remove_if
// A Mask has no bit outside kAll, so keeps inverts it with one xor.
template <class Lanes, class T>
struct ByItem {
  T& item;
  Lanes wanted;
  [[gnu::always_inline]] auto matches(const T* block) const {
    return wanted.equal(block);
  }
  [[gnu::always_inline]] auto keeps(const T* block) const {
    return matches(block) ^ Lanes::kAll;
  }
  [[gnu::always_inline]] bool operator()(T& element) const {
    return detail::equals_item(item, element);
  }
};

template <class Lanes, class T>
struct ByFlags {
  const T* base;
  const FlagOf<T>* flags;
  // A flag is as wide as its element, so it lies a fixed number of bytes
  // from it: an addressing mode, where flags + (block - base) took two
  // instructions a block (8% of the AVX2 path's time; the targets that have
  // vector paths map integers to addresses one to one).
  std::uintptr_t distance =
      reinterpret_cast<std::uintptr_t>(flags) - reinterpret_cast<std::uintptr_t>(base);
  [[gnu::always_inline]] auto matches(const T* block) const {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): measured, as said above
    return Lanes::flagged(reinterpret_cast<const FlagOf<T>*>(
        reinterpret_cast<std::uintptr_t>(block) + distance));
  }
  [[gnu::always_inline]] auto keeps(const T* block) const {
    return matches(block) ^ Lanes::kAll;
  }
  [[gnu::always_inline]] bool operator()(T& element) const {
    return flags[&element - base] != 0;
  }
};

// find_generic, four blocks to a test while nothing matches.
template <class Lanes, class T, class Selector>
[[gnu::always_inline]] inline T* find_vector(T* begin, T* end, const Selector& take) {
  constexpr int kLanes = Lanes::kLanes;
  T* const boundary = detail::block_boundary<Lanes>(begin, end);
  if (T* const found = detail::find_generic(begin, boundary, take); found != boundary) {
    return found;
  }
  begin = boundary;
  for (; end - begin >= 4 * kLanes; begin += 4 * kLanes) {
    if ((take.matches(begin) | take.matches(begin + kLanes) |
         take.matches(begin + 2 * kLanes) | take.matches(begin + 3 * kLanes)) != 0) {
      break;
    }
  }
  for (; end - begin >= kLanes; begin += kLanes) {
    if (const auto matches = take.matches(begin); matches != 0) {
      return begin + detail::countr_zero(matches);
    }
  }
  return detail::find_generic(begin, end, take);
}

template <class Lanes, class T>
concept StoresKeptOnly = requires(T* to, typename Lanes::Mask keep) {
  Lanes::store_kept_only(to, to, keep);
};

// From this many bytes on, a range is compacted with stores of the kept
// elements alone. Beyond the last-level cache memory is the bound, and the
// whole vector's store writes bytes that the next block's store writes again;
// within the caches the whole store is faster (on Zen 4 the kept-only store
// took 0.99-1.17 times as long at 65,536 elements). 32 MiB is the L3 of the
// Zen 4 and Zen 5 parts measured: beyond it the kept-only store took
// 0.78-0.81 of the time on Zen 5, and 0.96-1.14 of it on Zen 4.
inline constexpr std::size_t kStoreKeptOnlyFromBytes = std::size_t{32} << 20;

// compact_branchless, a block at a time. As kept lies before from, a store
// reaches at most from + kLanes - 2 < end - 1; the places past the kept ones
// are overwritten by later stores or the fill.
template <class Lanes, Store kForm, class T, class Selector>
[[gnu::always_inline]] inline T* compact_vector(T* from, T* end, T* kept,
                                                const Selector& take) {
  T* const boundary = detail::block_boundary<Lanes>(from, end);
  kept = detail::compact_branchless(from, boundary, kept, take);
  from = boundary;
  // Counted down, which leaves the loop one test where end - from >= kLanes
  // took four instructions.
  for (auto blocks = (end - from) / Lanes::kLanes; blocks != 0;
       --blocks, from += Lanes::kLanes) {
    const auto keep = take.keeps(from);
    if constexpr (kForm == Store::kept_lanes) {
      kept = Lanes::store_kept_only(kept, from, keep);
    } else {
      kept = Lanes::store_kept(kept, from, keep);
    }
  }
  return detail::compact_branchless(from, end, kept, take);
}

// fill_vacated, a vector at a time: a removal fills as many places as it
// removes elements, and at -O2 a loop stores them one at a time.
template <class Lanes, class T>
[[gnu::always_inline]] inline T* fill_vector(T* kept, T* end) {
  T* const last = end - 1;
  const Lanes copies(*last);
  T* place = kept;
  for (; last - place >= Lanes::kLanes; place += Lanes::kLanes) copies.store(place);
  detail::fill_vacated(place, end);
  return kept;
}

template <class Lanes, Store kForm = Store::by_size, class T>
[[gnu::always_inline]] inline T* remove_vector(T* begin, T* end, T item) {
  const ByItem<Lanes, T> take{item, Lanes(item)};
  T* const first = detail::find_vector<Lanes>(begin, end, take);
  if (first == end) return end;
  if constexpr (kForm == Store::by_size && detail::StoresKeptOnly<Lanes, T>) {
    if (static_cast<std::size_t>(end - begin) * sizeof(T) >= kStoreKeptOnlyFromBytes) {
      return detail::fill_vector<Lanes>(
          detail::compact_vector<Lanes, Store::kept_lanes>(first + 1, end, first, take),
          end);
    }
  }
  return detail::fill_vector<Lanes>(
      detail::compact_vector<Lanes, kForm>(first + 1, end, first, take), end);
}

// The kernels' remove_flagged (Kernels.h), over one block of the caller's.
template <class Lanes, class T>
[[gnu::always_inline]] inline T* remove_flagged_vector(T* from, T* end, T* kept,
                                                       const FlagOf<T>* flags,
                                                       bool last) {
  const ByFlags<Lanes, T> take{from, flags};
  if (kept == nullptr) {
    kept = detail::find_vector<Lanes>(from, end, take);
    if (kept == end) return nullptr;
    from = kept + 1;
  }
  kept = detail::compact_vector<Lanes, Store::whole_vector>(from, end, kept, take);
  return last ? detail::fill_vector<Lanes>(kept, end) : kept;
}

// Four independent vector totals. Each lane wraps as sum_generic's unsigned
// total does, so the lanes may be added in any order.
template <class Lanes, class T>
[[gnu::always_inline]] inline T sum_vector(const T* begin, const T* end) {
  constexpr int kLanes = Lanes::kLanes;
  using Total = detail::Unsigned<T>;
  const T* const boundary = detail::block_boundary<Lanes>(begin, end);
  // A signed total converts to its unsigned type modulo 2^N: the wrap wanted.
  // NOLINTNEXTLINE(bugprone-signed-char-misuse)
  Total total = static_cast<Total>(detail::sum_generic(begin, boundary));
  begin = boundary;
  Lanes a(T{});
  Lanes b(T{});
  Lanes c(T{});
  Lanes d(T{});
  for (; end - begin >= 4 * kLanes; begin += 4 * kLanes) {
    a.add(begin);
    b.add(begin + kLanes);
    c.add(begin + 2 * kLanes);
    d.add(begin + 3 * kLanes);
  }
  for (; end - begin >= kLanes; begin += kLanes) a.add(begin);
  a.add(b);
  c.add(d);
  a.add(c);
  LaneArray<T, static_cast<std::size_t>(kLanes)> lanes;
  a.store(lanes.lane);
  for (const T lane : lanes.lane) total += static_cast<Total>(lane);
  return static_cast<T>(total + static_cast<Total>(detail::sum_generic(begin, end)));
}

// item in every place: what a lane set loads to have it in every lane.
template <std::size_t Count, class T>
constexpr LaneArray<T, Count> copies(T item) {
  LaneArray<T, Count> all;
  for (T& lane : all.lane) lane = item;
  return all;
}

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_DETAIL_SKELETON_H
