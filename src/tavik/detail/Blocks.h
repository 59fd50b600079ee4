// SPDX-License-Identifier: BSL-1.0
// The blocks path: removal over every element type that the vector kernels
// do not take (records, pairs, strings, owning pointers, and numbers where
// the processor has no vector path), compiled in the caller's file, where the
// element type is; part of <tavik/Functions.h>.
#ifndef TAVIK_DETAIL_BLOCKS_H
#define TAVIK_DETAIL_BLOCKS_H

#include <cstddef>
#include <cstdint>

#include "Loops.h"

TAVIK_DETAIL_BEGIN_DETAIL

// find_generic, four elements to each test of the loop's end, as libstdc++'s
// std::find_if has it: with nothing to remove, the one-at-a-time loop took
// 1.1 to 2 times as long as std::erase_if over 2^16 pairs (Zen 5, g++ 12).
template <class T, class Removes>
T* find_unrolled(T* begin, T* end, Removes& removes) {
  // The end of the unrolled loop is counted once, as libstdc++ counts it:
  // testing end - begin >= 4 on every iteration took 1.5 times its time
  // over 2^16 pairs at -O2 with nothing to remove.
  for (T* const unrolled_end = begin + (end - begin) / 4 * 4; begin != unrolled_end;
       begin += 4) {
    if (removes(begin[0])) return begin;
    if (removes(begin[1])) return begin + 1;
    if (removes(begin[2])) return begin + 2;
    if (removes(begin[3])) return begin + 3;
  }
  return detail::find_generic(begin, end, removes);
}

// The blocks path's compaction, which the one driver (remove_by_flags,
// Dispatch.h) gives a block of up to 64 elements at a time. Each block is
// taken one of two ways, chosen by how many elements of the block before it
// went:
//   by flags     the driver first asks removes of the whole block, into a
//                word with a bit per element; take then moves (or copies)
//                the kept elements down by walking the word's clear bits,
//                with no branch on any element's answer
//   by branches  take_by_branches asks and moves each element in turn, as
//                the plain loop and std::remove_if do
// Where elements go irregularly, each answer std::remove_if branches on is a
// coin toss, mispredicted about as often as an element goes, and walking the
// bits avoids it; where few go, the branch is predicted and costs less than
// the pass over flags. Blocks start past the first element that goes, which
// find looks for as std::find_if does; flags take the first, and the plain
// loop's branches any block after one from which fewer than kByFlagsFrom in
// 64 went. While the threshold was chosen, flags alone took 0.92-0.96 of
// std::erase_if's time over 2^16 elements at 10% gone for pairs, 16-byte
// records and pointers, and 1.1-1.2 for 64-byte records and smart pointers,
// which cross over near 14% (Zen 5, g++ 12); 8 of 64 keeps each type within
// its better way but at the densities where the two ways are alike.
// bench/remove-if.sh times the engine at 10% and 14% gone.
template <Vacated kVacated, class T>
class BlockCompaction {
 public:
  static constexpr std::ptrdiff_t kBlock = 64;
  static constexpr bool kTakesBranches = true;
  static constexpr int kByFlagsFrom = 8;
  // The branches take 16 blocks at a time: a loop of 64 mispredicted its
  // exit often enough to cost 1.1-1.2 times std::erase_if's time at 5% gone.
  static constexpr std::ptrdiff_t kBlocksByBranches = 16;

  // How many elements from `from` on the next block holds.
  [[nodiscard]] std::ptrdiff_t block(const T* from, const T* end) const {
    const std::ptrdiff_t length = by_branches_ ? kBlocksByBranches * kBlock : kBlock;
    return end - from < length ? end - from : length;
  }

  [[nodiscard]] bool by_branches() const { return by_branches_; }

  // The first element that goes, found by the plain loop's branches before
  // any block is taken, or end.
  template <class Removes>
  static T* find(T* begin, T* end, Removes& removes) {
    return detail::find_unrolled(begin, end, removes);
  }

  // Takes [from, to) by the plain loop's branches, moving the kept elements
  // down to kept onwards, kept lying before from. Returns the end of the
  // kept elements.
  template <class Removes>
  T* take_by_branches(T* from, T* to, T* kept, Removes& removes) {
    const std::ptrdiff_t count = to - from;
    T* const first_kept = kept;
    for (; from != to; ++from) {
      if (removes(*from)) continue;
      detail::relocate<kVacated>(*kept, *from);
      ++kept;
    }
    choose_next(count, kept - first_kept);
    return kept;
  }

  // The driver's answer for the element at `at` in the block.
  void flag(std::ptrdiff_t at, bool removes) { removed_ |= std::uint64_t{removes} << at; }

  // Takes [from, to) by its flags, moving the kept elements down to kept
  // onwards, and clears the flags. Returns the end of the kept elements, as
  // take_by_branches does.
  T* take(T* from, T* to, T* kept, bool /*last*/) {
    const auto count = static_cast<int>(to - from);
    const std::uint64_t removed = removed_;
    removed_ = 0;
    const std::uint64_t block =
        count == kBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
    T* const first_kept = kept;
    for (std::uint64_t keep = ~removed & block; keep != 0; keep &= keep - 1) {
      detail::relocate<kVacated>(*kept, from[detail::countr_zero(keep)]);
      ++kept;
    }
    choose_next(count, kept - first_kept);
    return kept;
  }

  // Once the kept elements end at kept, leaves the places from there to end
  // as kVacated says, apart from the loops above, which are then the same
  // code for copies and moves.
  static T* finish(T* kept, T* end) { return detail::vacate<kVacated>(kept, end); }

 private:
  // Takes the next block by branches if fewer than kByFlagsFrom in 64 of the
  // count just taken went. Counted from the kept elements, not by a popcount
  // of the flags, which without POPCNT (plain x86-64) is a call into the
  // compiler's runtime.
  void choose_next(std::ptrdiff_t count, std::ptrdiff_t kept) {
    by_branches_ = (count - kept) * kBlock < kByFlagsFrom * count;
  }

  std::uint64_t removed_ = 0;
  bool by_branches_ = false;
};

TAVIK_DETAIL_END_DETAIL

#endif  // TAVIK_DETAIL_BLOCKS_H
