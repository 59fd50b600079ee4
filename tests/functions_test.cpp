// SPDX-License-Identifier: BSL-1.0
#include <tavik/Functions.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <forward_list>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <list>
#include <memory>
#include <numeric>
#include <random>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include "shifting_remove.h"

namespace {

// What KeyOf says of an element that moving took from.
constexpr int kGone = -1000;

// Counts every copy, move, comparison and destruction of its kind and marks
// what a move takes from, so that its copies and moves differ; throw_at(n)
// makes its nth assignment from then on (0 the next) throw.
struct TrackedCounts {
  int copies = 0;
  int moves = 0;
  int comparisons = 0;
  int destructions = 0;
  bool operator==(const TrackedCounts&) const = default;
};

struct Tracked {
  using Counts = TrackedCounts;
  static inline Counts counts;
  static inline int assignments_to_throw = -1;  // none

  int key = 0;

  Tracked() = default;
  explicit Tracked(int value) : key(value) {}
  Tracked(const Tracked& other) : key(other.key) { ++counts.copies; }
  Tracked(Tracked&& other) noexcept : key(std::exchange(other.key, kGone)) {
    ++counts.moves;
  }
  Tracked& operator=(const Tracked& other) {
    Assigning();
    key = other.key;
    ++counts.copies;
    return *this;
  }
  // NOLINTNEXTLINE(bugprone-exception-escape,performance-noexcept-move-constructor)
  Tracked& operator=(Tracked&& other) {  // throws where a test asks it to
    Assigning();
    key = std::exchange(other.key, kGone);
    ++counts.moves;
    return *this;
  }
  ~Tracked() { ++counts.destructions; }
  friend bool operator==(const Tracked& a, const Tracked& b) {
    ++counts.comparisons;
    return a.key == b.key;
  }

  static void Reset() {
    counts = {};
    assignments_to_throw = -1;
  }
  static void Assigning() {
    if (assignments_to_throw >= 0 && assignments_to_throw-- == 0) {
      throw std::runtime_error("assignment");
    }
  }
};

// A trivially copyable record of 16 bytes.
struct Record {
  float x, y, z;
  int key;
  bool operator==(const Record&) const = default;
};

// What pointer elements point to: the values from -512 to 511.
int* Pointee(int value) {
  static const auto values = [] {
    std::array<int, 1024> all{};
    std::iota(all.begin(), all.end(), -512);
    return all;
  }();
  return const_cast<int*>(values.data() + 512 + value);
}

// An element of type T made from value, its key, which KeyOf gives back
// (kGone where moving took it away).
template <class T>
T Element(int value) {
  if constexpr (std::is_same_v<T, std::string>) {
    // Long enough to live on the heap, so every copy allocates.
    return std::to_string(value).append(" is a value with a long name");
  } else if constexpr (std::is_same_v<T, std::pair<int, float>>) {
    return {value, static_cast<float>(value) / 2};
  } else if constexpr (std::is_same_v<T, Record>) {
    return {1, 2, 3, value};
  } else if constexpr (std::is_same_v<T, int*>) {
    return Pointee(value);
  } else if constexpr (std::is_same_v<T, std::unique_ptr<int>>) {
    return std::make_unique<int>(value);
  } else if constexpr (std::is_same_v<T, std::shared_ptr<int>>) {
    return std::make_shared<int>(value);
  } else if constexpr (std::is_same_v<T, Tracked>) {
    return Tracked(value);
  } else {
    return static_cast<T>(value);
  }
}

template <class T>
int KeyOf(const T& element) {
  if constexpr (std::is_same_v<T, std::string>) {
    return element.empty() ? kGone : std::atoi(element.c_str());
  } else if constexpr (std::is_same_v<T, std::pair<int, float>>) {
    return element.first;
  } else if constexpr (std::is_same_v<T, Record> || std::is_same_v<T, Tracked>) {
    return element.key;
  } else if constexpr (std::is_pointer_v<T>) {
    return *element;
  } else if constexpr (requires { *element; }) {
    return element ? *element : kGone;
  } else {
    return static_cast<int>(element);
  }
}

template <class T>
std::vector<int> KeysOf(const T* begin, const T* end) {
  std::vector<int> keys;
  for (; begin != end; ++begin) keys.push_back(KeyOf(*begin));
  return keys;
}

template <class T>
std::vector<T> Elements(const std::vector<int>& values) {
  std::vector<T> result;
  result.reserve(values.size());
  for (int v : values) result.push_back(Element<T>(v));
  return result;
}

// Elements with no ==, which remove_if takes by a member.
struct Item {
  int value;
  bool gone;
  [[nodiscard]] bool Gone() const { return gone; }
};
struct NamedItem {
  std::string name;
  bool gone;
};

// Copies of values, or elements made from keys, `shift` elements past a
// 64-byte boundary, where the vector paths' blocks may start.
template <class T>
struct Placed {
  template <class Value>
  Placed(const std::vector<Value>& values, std::size_t shift)
      : storage(64 + shift + values.size()) {
    const std::size_t past_line = reinterpret_cast<std::uintptr_t>(storage.data()) % 64;
    begin = storage.data() + (64 - past_line) % 64 / sizeof(T) + shift;
    end = begin;
    for (const Value& value : values) {
      if constexpr (std::is_same_v<Value, T>) {
        *end++ = value;
      } else {
        *end++ = Element<T>(value);
      }
    }
  }
  std::vector<T> storage;
  T* begin;
  T* end;
};

// Runs remove and the shifting model on copies of one input and expects the
// same returned end and the same whole array. remove's copy starts `shift`
// elements past a 64-byte boundary.
template <class T, class U, class Remove>
void ExpectSameAsShifting(Remove remove, const std::vector<T>& input, const U& item,
                          std::size_t shift = 0) {
  const Placed<T> placed(input, shift);
  T* const begin = placed.begin;
  T* const end = placed.end;
  const auto actual_end = remove(begin, end, item) - begin;
  const std::vector<T> actual(begin, end);
  std::vector<T> expected = input;
  const auto expected_end =
      ShiftingRemove(expected.data(), expected.data() + expected.size(), item) -
      expected.data();
  ASSERT_EQ(actual_end, expected_end) << ::testing::PrintToString(input);
  if constexpr (std::is_floating_point_v<T>) {
    // Bit for bit: NaN equals nothing, and -0.0 must stay -0.0.
    ASSERT_TRUE(input.empty() || std::memcmp(actual.data(), expected.data(),
                                             input.size() * sizeof(T)) == 0)
        << ::testing::PrintToString(input);
  } else {
    ASSERT_EQ(actual, expected) << ::testing::PrintToString(input);
  }
}

#if defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__
constexpr bool kHasNaN = false;
#else
constexpr bool kHasNaN = true;
#endif

constexpr auto kTavikRemove = [](auto* begin, auto* end, auto item) {
  return Tavik::remove(begin, end, item);
};

struct Removal {
  std::vector<int> values;
  int item;
};

// Up to 300 values over a random spread, so that matches run from none to
// all and lengths leave every remainder after a vector's width.
Removal RandomRemoval(std::mt19937& generator) {
  const int length = std::uniform_int_distribution<int>(0, 300)(generator);
  const int spread = std::uniform_int_distribution<int>(0, 30)(generator);
  std::uniform_int_distribution<int> value(-spread, spread);
  Removal removal{std::vector<int>(length), 0};
  for (int& v : removal.values) v = value(generator);
  removal.item = value(generator);
  return removal;
}

// Runs a removal test for each element type, naming the type in a failure:
// the vector paths' int, an unsigned, a wider integer, a string that
// allocates on every copy, and Tracked, whose copies and moves differ. The
// test takes a T{} to learn the type.
template <class T, class Test>
void RunFor(const char* type_name, Test test) {
  SCOPED_TRACE(type_name);
  test(T{});
}

template <class Test>
void ForEachElementType(Test test) {
  RunFor<int>("int", test);
  RunFor<unsigned>("unsigned", test);
  RunFor<long long>("long long", test);
  RunFor<std::string>("std::string", test);
  RunFor<Tracked>("Tracked", test);
}

// Every array of up to 8 elements drawn from three values, removing each of
// them and one that never occurs.
TEST(Remove, MatchesShiftingOnEverySmallArray) {
  ForEachElementType([](auto type) {
    using T = decltype(type);
    constexpr int kValues = 3;
    for (int length = 0; length <= 8; ++length) {
      int combinations = 1;
      for (int i = 0; i < length; ++i) combinations *= kValues;
      for (int code = 0; code < combinations; ++code) {
        std::vector<int> values;
        for (int i = 0, c = code; i < length; ++i, c /= kValues) {
          values.push_back(c % kValues);
        }
        for (int item = 0; item <= kValues; ++item) {
          ExpectSameAsShifting(kTavikRemove, Elements<T>(values), Element<T>(item));
        }
      }
    }
  });
}

TEST(Remove, MatchesShiftingOnRandomArrays) {
  ForEachElementType([](auto type) {
    using T = decltype(type);
    std::mt19937 generator(20261207);
    for (int round = 0; round < 2000; ++round) {
      const Removal removal = RandomRemoval(generator);
      ExpectSameAsShifting(kTavikRemove, Elements<T>(removal.values),
                           Element<T>(removal.item));
    }
  });
}

// item may name an element of the range itself; it is a copy, so the
// overwritten first place does not change what is removed.
// An item of another type compares with each element as the caller's own ==
// would, nothing converted first; kept is how many elements stay.
template <class T, class U>
void ExpectItemComparedAsGiven(const std::vector<T>& input, U item, std::ptrdiff_t kept) {
  SCOPED_TRACE(::testing::PrintToString(item));
  ExpectSameAsShifting(kTavikRemove, input, item);
  std::vector<T> array = input;
  EXPECT_EQ(Tavik::remove(array.data(), array.data() + array.size(), item) - array.data(),
            kept);
}

TEST(Remove, ComparesAnItemOfAnotherTypeAsGiven) {
  ExpectItemComparedAsGiven<int>({3, 3, 4}, 3.7, 3);
  ExpectItemComparedAsGiven<int>({1, 3, 1}, 1.0, 1);
  ExpectItemComparedAsGiven<short>({4464, 1, 4464}, 70000, 3);
  ExpectItemComparedAsGiven<std::uint8_t>({0, 1, 0}, 256, 3);
  ExpectItemComparedAsGiven<unsigned>({UINT_MAX, 1, UINT_MAX}, -1, 1);
  ExpectItemComparedAsGiven<int>({-1, 1}, UINT_MAX, 1);
  ExpectItemComparedAsGiven<int>({0, 1, 0}, 1LL << 32, 3);
  ExpectItemComparedAsGiven<long long>({-1, 1LL << 32, -1}, -1, 1);
  ExpectItemComparedAsGiven<unsigned short>({65535, 1}, -1, 2);
  ExpectItemComparedAsGiven<double>({1.0, 1.5, 1.0}, 1, 1);
  ExpectItemComparedAsGiven<std::string>({"a", "b", "a"}, "a", 1);
}

// -ffast-math links start-up code (GCC's and Clang's, on x86-64 Linux) that
// makes the processor flush denormals to zero for the whole process: a
// denormal then equals 0.0, and removing 0.0 removes it too, as the
// program's own == has it.
TEST(Remove, DenormalsCompareAsTheProcessDoes) {
  std::vector<float> values(40, 1.0F);
  values[3] = std::numeric_limits<float>::denorm_min();
  values[20] = -values[3];
  values[30] = 0.0F;
  const volatile float denormal = values[3];
  const bool flushed = denormal == 0.0F;
#if defined(__FAST_MATH__) && defined(__x86_64__) && defined(__linux__)
  EXPECT_TRUE(flushed);
#endif
  EXPECT_EQ(Tavik::erase(values, 0.0F), flushed ? 3U : 1U);
}

TEST(Remove, RemovesTheValueOfTheFirstElement) {
  ForEachElementType([](auto type) {
    using T = decltype(type);
    for (const std::vector<int>& values :
         {std::vector<int>{1, 1, 2, 1}, {4, 5, 4, 6, 4}, {9}, {2, 3, 3, 2}}) {
      const auto remove_first_value = [](auto* begin, auto* end, auto /*copy*/) {
        return Tavik::remove(begin, end, *begin);
      };
      ExpectSameAsShifting(remove_first_value, Elements<T>(values),
                           Element<T>(values.front()));
    }
  });
}

// Each way remove can take, for each element type with a vector path,
// called directly, so that every one is held to the model whichever the
// machine would pick.
template <class T>
using RemoveFunction = T* (*)(T*, T*, T);

using AnyRemove =
    std::variant<RemoveFunction<std::int8_t>, RemoveFunction<std::uint8_t>,
                 RemoveFunction<std::int16_t>, RemoveFunction<std::uint16_t>,
                 RemoveFunction<int>, RemoveFunction<unsigned>,
                 RemoveFunction<std::int64_t>, RemoveFunction<float>,
                 RemoveFunction<double>, RemoveFunction<std::pair<int, float>>>;

struct RemovePath {
  std::string name;
  AnyRemove remove;
  bool available;
};

void PrintTo(const RemovePath& path, std::ostream* os) { *os << path.name; }

template <class T>
T ElementOf(RemoveFunction<T>);  // names the element type of a path

class RemovePaths : public ::testing::TestWithParam<RemovePath> {
 protected:
  void SetUp() override {
    if (!GetParam().available) GTEST_SKIP() << "this processor lacks it";
  }
  // Runs test(remove) with the path's own function, so with its element type.
  template <class Test>
  static void Run(Test test) {
    std::visit(test, GetParam().remove);
  }
};

// Lengths past four of the widest blocks of the narrowest lanes (64 bytes),
// starting at every few places in a cache line, leave heads and tails of
// every length shorter than a block; the matches sit at either end,
// everywhere or nowhere.
TEST_P(RemovePaths, MatchShiftingAroundTheVectorWidth) {
  Run([](auto remove) {
    using T = decltype(ElementOf(remove));
    const T item = Element<T>(-7);
    std::mt19937 generator(4);
    for (int length = 0; length <= 400; ++length) {
      std::vector<T> values(length);
      for (T& v : values) v = Element<T>(static_cast<int>(generator() % 100));
      std::vector<std::vector<T>> inputs(6, values);
      if (length > 0) {
        inputs[1].front() = item;
        inputs[2].back() = item;
        inputs[3].front() = inputs[3].back() = item;
        std::fill(inputs[4].begin(), inputs[4].end(), item);
        for (int i = 0; i < length; i += 2) inputs[5][i] = item;
      }
      for (const std::vector<T>& input : inputs)
        ExpectSameAsShifting(remove, input, item, length % 5);
    }
  });
}

TEST_P(RemovePaths, MatchShiftingOnRandomArrays) {
  Run([](auto remove) {
    using T = decltype(ElementOf(remove));
    using Limits = std::numeric_limits<T>;
    std::mt19937 generator(11);
    for (int round = 0; round < 3000; ++round) {
      const Removal removal = RandomRemoval(generator);
      ExpectSameAsShifting(remove, Elements<T>(removal.values), Element<T>(removal.item));
    }
    if constexpr (std::is_arithmetic_v<T>) {
      const std::vector<T> extremes = {Limits::lowest(), Limits::max(), T(-1), T(0),
                                       Limits::lowest()};
      ExpectSameAsShifting(remove, extremes, Limits::lowest());
    }
    if constexpr (std::is_floating_point_v<T>) {
      // NaN equals nothing, itself included; -0.0 equals 0.0; a denormal
      // equals 0.0 only where the process flushes denormals to zero (below).
      // A build that assumes no NaN (-ffinite-math-only) takes a number in
      // its place.
      const T nan = kHasNaN ? Limits::quiet_NaN() : T(2);
      const T pattern[] = {
          nan, T(-0.0), T(0.0), T(1), Limits::denorm_min(), -Limits::denorm_min()};
      std::vector<T> signed_zeros(40);
      for (std::size_t i = 0; i < signed_zeros.size(); ++i)
        signed_zeros[i] = pattern[i % std::size(pattern)];
      for (const T item : {T(0), T(-0.0), nan, Limits::denorm_min()}) {
        ExpectSameAsShifting(remove, signed_zeros, item);
      }
    }
  });
}

// Three pages: read-only, writable, read-only. The range ends one element
// into the last page and its first match sits `offset` elements into the
// writable one, with `before` others ahead of it on the first page; other
// matches follow it closely, which keeps the model's shifting short. Shifting
// stores only in [first match, end - 1), inside the writable page, so a store
// anywhere else faults; with no match at all, every page is read-only.
// Whole pages, which can be made read-only.
struct Pages {
#if defined(_WIN32)
  static std::size_t Size() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
  }
  static void* Map(std::size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  static void Unmap(void* pages, std::size_t /*bytes*/) {
    VirtualFree(pages, 0, MEM_RELEASE);
  }
  static bool Protect(void* page, std::size_t bytes, bool writable) {
    DWORD previous = 0;
    return VirtualProtect(page, bytes, writable ? PAGE_READWRITE : PAGE_READONLY,
                          &previous) != 0;
  }
#else
  static std::size_t Size() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }
  static void* Map(std::size_t bytes) {
    void* const pages =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
  }
  static void Unmap(void* pages, std::size_t bytes) { munmap(pages, bytes); }
  static bool Protect(void* page, std::size_t bytes, bool writable) {
    return mprotect(page, bytes, writable ? PROT_READ | PROT_WRITE : PROT_READ) == 0;
  }
#endif
};

TEST_P(RemovePaths, StoreOnlyWhereShiftingStores) {
  const std::size_t page = Pages::Size();
  void* const pages = Pages::Map(3 * page);
  ASSERT_NE(pages, nullptr);
  const auto protect = [&](bool first, bool second, bool third) {
    char* const bytes = static_cast<char*>(pages);
    if (!Pages::Protect(bytes, page, first) ||
        !Pages::Protect(bytes + page, page, second) ||
        !Pages::Protect(bytes + 2 * page, page, third)) {
      std::perror("protecting pages");
      std::exit(2);
    }
  };
  const auto store_only_where_shifting_stores = [&](auto remove) {
    using T = decltype(ElementOf(remove));
    T* const writable = static_cast<T*>(pages) + page / sizeof(T);
    T* const end = writable + page / sizeof(T) + 1;
    const T item = Element<T>(-7);
    std::mt19937 generator(5);
    for (int before = 0; before <= 17; ++before) {
      for (int offset = -1; offset <= 17; ++offset) {  // -1: nothing matches
        T* const begin = writable - before;
        protect(true, true, true);
        for (T* p = begin; p != end; ++p) {
          const bool match = offset >= 0 && p > writable + offset &&
                             p < writable + offset + 64 && generator() % 3 == 0;
          *p = match ? item : Element<T>(static_cast<int>((p - begin) % 100) + 1);
        }
        if (offset >= 0) writable[offset] = item;
        std::vector<T> expected(begin, end);
        const auto expected_end =
            ShiftingRemove(expected.data(), expected.data() + expected.size(), item) -
            expected.data();
        protect(false, offset >= 0, false);
        const auto actual_end = remove(begin, end, item) - begin;
        if (actual_end != expected_end || !std::equal(begin, end, expected.begin())) {
          std::fprintf(stderr, "differs from shifting: before %d, offset %d\n", before,
                       offset);
          std::exit(1);
        }
      }
    }
  };
  EXPECT_EXIT(
      {
        Run(store_only_where_shifting_stores);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  Pages::Unmap(pages, 3 * page);
}

// An int item given as another type: as a long long it takes int's own
// paths, as a double the blocks path, comparing as a double.
int* RemoveLongLongItem(int* begin, int* end, int item) {
  return Tavik::remove(begin, end, static_cast<long long>(item));
}
int* RemoveDoubleItem(int* begin, int* end, int item) {
  return Tavik::remove(begin, end, static_cast<double>(item));
}

using Tavik::detail::Vacated;

// remove on one path, through the dispatch, and remove_if on one path with
// the predicate item == e: each must leave exactly what shifting leaves.
template <class T, Tavik::Path kPath>
T* RemoveOn(T* begin, T* end, T item) {
  return Tavik::detail::remove_on<Vacated::last_element>(kPath, begin, end, item);
}

template <class T, Tavik::Path kPath>
T* RemoveIfOn(T* begin, T* end, T item) {
  auto equal = [item](T& element) { return item == element; };
  return Tavik::detail::remove_if_on<Vacated::last_element>(kPath, begin, end, equal);
}

template <class T>
void AddRemovePaths(std::vector<RemovePath>& paths, const std::string& type) {
  using Tavik::Path;
  paths.push_back({"Generic_" + type, &RemoveOn<T, Path::plain>, true});
  paths.push_back({"IfGeneric_" + type, &RemoveIfOn<T, Path::plain>, true});
  paths.push_back({"Blocks_" + type, &RemoveOn<T, Path::blocks>, true});
  paths.push_back({"IfBlocks_" + type, &RemoveIfOn<T, Path::blocks>, true});
#if TAVIK_DETAIL_AVX2
  const bool avx2 = Tavik::detail::avx2_available();
  paths.push_back({"Avx2_" + type, &Tavik::detail::remove_avx2<T>, avx2});
  paths.push_back({"IfAvx2_" + type, &RemoveIfOn<T, Path::avx2>, avx2});
#endif
#if TAVIK_DETAIL_NEON
  paths.push_back({"Neon_" + type, &Tavik::detail::remove_neon<T>, true});
  paths.push_back({"IfNeon_" + type, &RemoveIfOn<T, Path::neon>, true});
#endif
#if TAVIK_AVX512_PATHS
  const bool avx512 = Tavik::detail::avx512_available<T>();
  paths.push_back({"Avx512_" + type, &Tavik::detail::remove_avx512<T>, avx512});
  // What the path does with ranges too large for the caches.
  paths.push_back({"Avx512KeptLanes_" + type,
                   &Tavik::detail::remove_avx512<T, Tavik::detail::Store::kept_lanes>,
                   avx512});
  paths.push_back({"IfAvx512_" + type, &RemoveIfOn<T, Path::avx512>, avx512});
#endif
}

std::vector<RemovePath> AllRemovePaths() {
  std::vector<RemovePath> paths = {{"LongLongItem", &RemoveLongLongItem, true},
                                   {"DoubleItem", &RemoveDoubleItem, true}};
  AddRemovePaths<std::int8_t>(paths, "int8");
  AddRemovePaths<std::uint8_t>(paths, "uint8");
  AddRemovePaths<std::int16_t>(paths, "int16");
  AddRemovePaths<std::uint16_t>(paths, "uint16");
  AddRemovePaths<int>(paths, "int");
  AddRemovePaths<unsigned>(paths, "unsigned");
  AddRemovePaths<std::int64_t>(paths, "int64");
  AddRemovePaths<float>(paths, "float");
  AddRemovePaths<double>(paths, "double");
  // A record, which only the plain loop and the blocks path take.
  using Pair = std::pair<int, float>;
  paths.push_back({"Generic_pair", &RemoveOn<Pair, Tavik::Path::plain>, true});
  paths.push_back({"Blocks_pair", &RemoveOn<Pair, Tavik::Path::blocks>, true});
  paths.push_back({"IfBlocks_pair", &RemoveIfOn<Pair, Tavik::Path::blocks>, true});
  return paths;
}

INSTANTIATE_TEST_SUITE_P(Paths, RemovePaths, ::testing::ValuesIn(AllRemovePaths()),
                         [](const auto& info) { return info.param.name; });

// The processor's features as /proc/cpuinfo lists them, or as the variable
// TAVIK_TEST_CPU_FLAGS does where an emulator runs the tests (qemu shows the
// host's file); empty if neither says.
std::string CpuFlags() {
  if (const char* given = std::getenv("TAVIK_TEST_CPU_FLAGS")) return given;
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.starts_with("flags")) return line.substr(line.find(':') + 1);
  }
  return "";
}

// What the public forms must take, from the features alone: on x86-64,
// AVX-512 where the processor has what the lane width needs, then AVX2, then
// the loops; on aarch64, NEON, which every such processor has.
struct ExpectedPaths {
  std::string flags;
  bool Has(const std::string& flag) const {
    return (" " + flags + " ").find(" " + flag + " ") != std::string::npos;
  }
  Tavik::Path Vector(std::size_t size, Tavik::Path otherwise) const {
    if (TAVIK_AVX512_PATHS && Has("avx512f") &&
        (size >= 4 || (Has("avx512bw") && Has("avx512_vbmi2")))) {
      return Tavik::Path::avx512;
    }
    if (TAVIK_DETAIL_AVX2 && Has("avx2")) return Tavik::Path::avx2;
    if (TAVIK_DETAIL_NEON) return Tavik::Path::neon;
    return otherwise;
  }
};

TEST(Paths, AreWhatTheProcessorHas) {
  using Tavik::Path;
  const ExpectedPaths expected{CpuFlags()};
  if (TAVIK_DETAIL_AVX2 && expected.flags.empty() &&
      std::getenv("TAVIK_TEST_CPU_FLAGS") == nullptr) {
    GTEST_SKIP() << "neither /proc/cpuinfo nor TAVIK_TEST_CPU_FLAGS says what this has";
  }
  const auto vector = [&](std::size_t size, Path otherwise) {
    return expected.Vector(size, otherwise);
  };
  const std::vector<std::tuple<const char*, Path, Path, Path, Path>> cases = {
      // type, remove_path, what it must be, sum_path, what it must be
      {"int8", Tavik::remove_path<std::int8_t>(), vector(1, Path::blocks),
       Tavik::sum_path<std::int8_t>(), vector(1, Path::plain)},
      {"uint16", Tavik::remove_path<std::uint16_t>(), vector(2, Path::blocks),
       Tavik::sum_path<std::uint16_t>(), vector(2, Path::plain)},
      {"int", Tavik::remove_path<int>(), vector(4, Path::blocks), Tavik::sum_path<int>(),
       vector(4, Path::plain)},
      {"int64", Tavik::remove_path<std::int64_t>(), vector(8, Path::blocks),
       Tavik::sum_path<std::int64_t>(), vector(8, Path::plain)},
      {"float", Tavik::remove_path<float>(), vector(4, Path::blocks),
       Tavik::sum_path<float>(), Path::plain},
      {"double", Tavik::remove_path<double>(), vector(8, Path::blocks),
       Tavik::sum_path<double>(), Path::plain},
      {"int, a long long item", Tavik::remove_path<int, long long>(),
       vector(4, Path::blocks), Path::plain, Path::plain},
      {"int, a double item", Tavik::remove_path<int, double>(), Path::blocks, Path::plain,
       Path::plain},
      {"long double", Tavik::remove_path<long double>(), Path::blocks,
       Tavik::sum_path<long double>(), Path::plain},
      {"std::string", Tavik::remove_path<std::string>(), Path::blocks,
       Tavik::sum_path<std::string>(), Path::plain},
      // remove_if's path, for types that remove cannot take.
      {"Item, no ==", Tavik::remove_path<Item>(), Path::blocks, Path::plain, Path::plain},
      {"std::unique_ptr<int>", Tavik::remove_path<std::unique_ptr<int>>(), Path::blocks,
       Path::plain, Path::plain},
  };
  for (const auto& [type, remove, remove_expected, sum, sum_expected] : cases) {
    EXPECT_EQ(remove, remove_expected) << type << " with " << expected.flags;
    EXPECT_EQ(sum, sum_expected) << type << " with " << expected.flags;
  }
  std::ostringstream names;
  names << Path::plain << ' ' << Path::branchless << ' ' << Path::avx2 << ' '
        << Path::avx512 << ' ' << Path::neon << ' ' << Path::blocks;
  EXPECT_EQ(names.str(), "plain branchless avx2 avx512 neon blocks");
}

struct RemoveCase {
  const char* name;
  std::vector<int> input;
  int item;
  std::ptrdiff_t new_end;
  std::vector<int> array_after;
};

void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

class RemoveCases : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveCases, LeavesTheArrayAsShiftingWould) {
  const RemoveCase& c = GetParam();
  std::vector<int> array = c.input;
  int* const begin = array.data();
  EXPECT_EQ(Tavik::remove(begin, begin + array.size(), c.item) - begin, c.new_end);
  EXPECT_EQ(array, c.array_after);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RemoveCases,
    ::testing::Values(RemoveCase{"Empty", {}, 1, 0, {}},
                      RemoveCase{"Absent", {2, 3, 4}, 1, 3, {2, 3, 4}},
                      RemoveCase{"Everywhere", {7, 7, 7}, 7, 0, {7, 7, 7}},
                      RemoveCase{"Adjacent", {1, 1, 2, 1}, 1, 1, {2, 1, 1, 1}},
                      RemoveCase{
                          "LastLeftBehind", {1, 5, 1, 1, 5}, 1, 2, {5, 5, 5, 5, 5}},
                      RemoveCase{"AtTheLastPlace", {1, 2, 3}, 3, 2, {1, 2, 3}},
                      RemoveCase{"AtTheFirstPlace", {3, 1, 2}, 3, 2, {1, 2, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

// A result that converts to bool, and whose operator! lies.
struct Verdict {
  bool equal;
  operator bool() const { return equal; }  // NOLINT(google-explicit-constructor)
  bool operator!() const { return equal; }
};

// Counts the comparisons made as the model makes them: a non-const item on
// the left, which selects the member; a const item would fall back to the
// friend. The result is a Verdict, so negating it gives the wrong answer.
struct Counted {
  int value;
  int* comparisons;  // the item's own; null in the elements
  Verdict operator==(Counted& element) {
    if (comparisons != nullptr) ++*comparisons;
    return {value == element.value};
  }
  [[maybe_unused]] friend Verdict operator==(const Counted& a, const Counted& b) {
    return {a.value == b.value};
  }
};

TEST(Remove, ComparesEachElementOnceAsTheModelDoes) {
  using Remove = Counted* (*)(Counted*, Counted*, Counted);
  // Counted is trivially copyable, so remove takes the blocks path.
  const Remove removes[] = {
      &Tavik::remove<Counted>,
      &Tavik::detail::remove_generic<Vacated::last_element, Counted, Counted>};
  std::mt19937 generator(7);
  for (int length = 0; length <= 64; ++length) {
    std::vector<int> values(length);
    for (int& v : values) v = static_cast<int>(generator() % 3);
    std::vector<int> expected = values;
    const auto expected_end =
        ShiftingRemove(expected.data(), expected.data() + length, 1) - expected.data();
    for (const Remove remove : removes) {
      std::vector<Counted> array;
      array.reserve(length);
      for (const int v : values) array.push_back({v, nullptr});
      int comparisons = 0;
      EXPECT_EQ(
          remove(array.data(), array.data() + length, {1, &comparisons}) - array.data(),
          expected_end);
      EXPECT_EQ(comparisons, length);
      for (int i = 0; i < length; ++i) EXPECT_EQ(array[i].value, expected[i]) << i;
    }
  }
}

// Each way remove_if (and erase_if) can take, named to the dispatch, for
// element types with a vector path and without, copyable and move-only, so
// that each is held to the plain loop whatever the machine would pick. The
// variant names the element type.
template <class T>
using Type = std::type_identity<T>;
using AnyElement =
    std::variant<Type<std::int8_t>, Type<std::int16_t>, Type<int>, Type<std::int64_t>,
                 Type<double>, Type<long double>, Type<std::string>,
                 Type<std::pair<int, float>>, Type<Record>, Type<int*>,
                 Type<std::unique_ptr<int>>, Type<std::shared_ptr<int>>, Type<Tracked>>;

struct RemoveIfPath {
  std::string name;
  Tavik::Path path;
  AnyElement type;
  bool available;
};

void PrintTo(const RemoveIfPath& path, std::ostream* os) { *os << path.name; }

// Runs test(vacated) for each way a removal may leave the places past its
// new end over T: copies of the last element (remove_if over copyable
// elements) and what moving left there (erase_if, and move-only elements).
template <class T, class Test>
void ForEachVacated(Test test) {
  if constexpr (std::copyable<T>) {
    SCOPED_TRACE("copies");
    test(std::integral_constant<Vacated, Vacated::last_element>{});
  }
  SCOPED_TRACE("moves");
  test(std::integral_constant<Vacated, Vacated::moved_from>{});
}

class RemoveIfPaths : public ::testing::TestWithParam<RemoveIfPath> {
 protected:
  void SetUp() override {
    if (!GetParam().available) GTEST_SKIP() << "this processor lacks it";
  }
  // Runs test(Type<T>{}) with the path's element type T.
  template <class Test>
  static void Run(Test test) {
    std::visit(test, GetParam().type);
  }
  template <Vacated kVacated, class T, class Pred>
  static T* RemoveIf(T* begin, T* end, Pred& pred) {
    return Tavik::detail::remove_if_on<kVacated>(GetParam().path, begin, end, pred);
  }
  // The vector paths store whole vectors, past the kept elements too.
  static bool StoresPastTheKept() {
    const Tavik::Path path = GetParam().path;
    return path != Tavik::Path::plain && path != Tavik::Path::blocks;
  }
};

// Lengths past two of the blocks the vector paths ask the predicate for at a
// time (256), from every few places in a cache line.
constexpr int kLongestIfInput = 600;

std::vector<int> IfKeys(int length, std::mt19937& generator) {
  std::vector<int> keys(static_cast<std::size_t>(length));
  for (int& key : keys) key = static_cast<int>(generator() % 7);
  return keys;
}

// What a predicate saw: each call's place in the range and element's key,
// in order.
using Seen = std::vector<std::pair<std::ptrdiff_t, int>>;

// Takes an element by its key and by how many calls came before it, and
// answers with a Verdict, whose operator! lies: a path that calls it again,
// out of order, on a moved element, or negates its answer leaves another
// array than the plain loop. It takes about a third of the elements in the
// first 200 of every 600, and one in 20 elsewhere, so that the blocks path
// takes blocks both by flags and by branches, and turns from either to the
// other.
template <class T>
struct Stateful {
  const T* begin;
  Seen* seen;
  Verdict operator()(T& element) noexcept {
    const auto calls = static_cast<int>(seen->size());
    seen->emplace_back(&element - begin, KeyOf(element));
    const int pick = calls + KeyOf(element) % 5;
    return {calls % 600 < 200 ? pick % 3 == 0 : pick % 20 == 0};
  }
};

// The whole array, the end, what the predicate saw and, for Tracked, every
// copy, move and destruction are the plain loop's.
TEST_P(RemoveIfPaths, LeaveWhatThePlainLoopLeaves) {
  Run([](auto type) {
    using T = typename decltype(type)::type;
    ForEachVacated<T>([](auto vacated) {
      constexpr Vacated kVacated = decltype(vacated)::value;
      std::mt19937 generator(8);
      // Every length to past two vector blocks, and two past the 1,024
      // elements the blocks path takes by branches at a time.
      std::vector<int> lengths(kLongestIfInput + 1);
      std::iota(lengths.begin(), lengths.end(), 0);
      lengths.insert(lengths.end(), {1500, 3000});
      for (const int length : lengths) {
        const std::vector<int> keys = IfKeys(length, generator);
        const std::size_t shift = static_cast<std::size_t>(length) % 5;
        Placed<T> expected(keys, shift);
        Placed<T> actual(keys, shift);
        Seen expected_seen;
        Seen actual_seen;
        expected_seen.reserve(keys.size());
        actual_seen.reserve(keys.size());
        Stateful<T> plain{expected.begin, &expected_seen};
        Stateful<T> path{actual.begin, &actual_seen};
        Tracked::Reset();
        const auto expected_end = Tavik::detail::remove_if_generic<kVacated>(
                                      expected.begin, expected.end, plain) -
                                  expected.begin;
        const Tracked::Counts plain_counts = Tracked::counts;
        Tracked::Reset();
        ASSERT_EQ(RemoveIf<kVacated>(actual.begin, actual.end, path) - actual.begin,
                  expected_end)
            << "length " << length;
        // What erase_if erases, a vector path may have stored numbers in.
        const auto compared = kVacated == Vacated::moved_from && StoresPastTheKept()
                                  ? expected_end
                                  : length;
        ASSERT_EQ(KeysOf(actual.begin, actual.begin + compared),
                  KeysOf(expected.begin, expected.begin + compared))
            << "length " << length;
        ASSERT_EQ(actual_seen, expected_seen) << "length " << length;
        ASSERT_EQ(Tracked::counts, plain_counts) << "length " << length;
      }
    });
  });
}

// A predicate that throws on its call number `at` loses no element it had
// not taken: those before that it left are at the start, in order, and the
// one it threw on and all after it are where they were; every place between
// holds an element of the range, or what moving one left.
TEST_P(RemoveIfPaths, LoseNoElementThatAThrowingPredicateLeft) {
  Run([](auto type) {
    using T = typename decltype(type)::type;
    ForEachVacated<T>([](auto vacated) {
      constexpr Vacated kVacated = decltype(vacated)::value;
      std::mt19937 generator(9);
      const std::vector<int> keys = IfKeys(kLongestIfInput, generator);
      const auto taken = [](int key) { return key % 3 == 0; };
      for (const int at : {0, 1, 7, 63, 64, 200, 255, 256, 300, 511, 512, 599}) {
        Placed<T> actual(keys, 3);
        int calls = 0;
        auto throwing = [&](T& element) {
          if (calls++ == at) throw std::runtime_error("predicate");
          return taken(KeyOf(element));
        };
        EXPECT_THROW(
            static_cast<void>(RemoveIf<kVacated>(actual.begin, actual.end, throwing)),
            std::runtime_error);
        std::vector<int> left;
        std::copy_if(keys.begin(), keys.begin() + at, std::back_inserter(left),
                     [&](int key) { return !taken(key); });
        const std::vector<int> now = KeysOf(actual.begin, actual.end);
        EXPECT_TRUE(std::equal(left.begin(), left.end(), now.begin())) << "at " << at;
        EXPECT_TRUE(std::equal(keys.begin() + at, keys.end(), now.begin() + at))
            << "at " << at;
        for (auto place = left.size(); place != static_cast<std::size_t>(at); ++place) {
          EXPECT_TRUE(now[place] == kGone ||
                      std::find(keys.begin(), keys.end(), now[place]) != keys.end())
              << "at " << at << ", place " << place;
        }
      }
    });
  });
}

// What a predicate that reads the range sees there, as the reference states
// it: asked about the element at place i, the range holds the elements
// before some place m that it left, in order, at the start, and the
// elements from m on as they were, with i - 255 <= m <= i (a path asks up to
// 256 elements, from m, before it moves any of them; the plain loop, m = i).
TEST_P(RemoveIfPaths, ShowThePredicateTheRangeAsTheReferenceStates) {
  Run([](auto type) {
    using T = typename decltype(type)::type;
    ForEachVacated<T>([](auto vacated) {
      constexpr Vacated kVacated = decltype(vacated)::value;
      for (const int length : {1, 63, 64, 65, 255, 256, 257, 600}) {
        std::vector<int> keys(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i) keys[static_cast<std::size_t>(i)] = i % 100;
        Placed<T> range(keys, 3);
        std::vector<int> left;  // the keys of the elements answered and left
        std::vector<std::size_t> left_before;  // how many of them before each place
        const auto sees_as_stated = [&](std::size_t at) {
          const std::vector<int> now = KeysOf(range.begin, range.end);
          std::size_t unchanged_from = now.size();
          while (unchanged_from != 0 &&
                 now[unchanged_from - 1] == keys[unchanged_from - 1]) {
            --unchanged_from;
          }
          const std::size_t lowest = at >= 255 ? at - 255 : 0;
          for (std::size_t m = at + 1; m-- > std::max(lowest, unchanged_from);) {
            const std::size_t count = left_before[m];
            if (std::equal(left.begin(),
                           left.begin() + static_cast<std::ptrdiff_t>(count),
                           now.begin())) {
              return true;
            }
          }
          return false;
        };
        int failures = 0;
        auto reading = [&](T& element) {
          const auto at = static_cast<std::size_t>(&element - range.begin);
          left_before.push_back(left.size());
          if (!sees_as_stated(at) && failures++ == 0) {
            ADD_FAILURE() << "length " << length << ": asked about place " << at;
          }
          const bool removes = KeyOf(element) * 7 % 10 < 4;
          if (!removes) left.push_back(KeyOf(element));
          return removes;
        };
        static_cast<void>(RemoveIf<kVacated>(range.begin, range.end, reading));
      }
    });
  });
}

template <class T>
void AddRemoveIfPaths(std::vector<RemoveIfPath>& paths, const std::string& type) {
  using Tavik::Path;
  paths.push_back({"Generic_" + type, Path::plain, Type<T>{}, true});
  paths.push_back({"Blocks_" + type, Path::blocks, Type<T>{}, true});
  if constexpr (Tavik::detail::VectorElement<T>) {
#if TAVIK_DETAIL_AVX2
    paths.push_back(
        {"Avx2_" + type, Path::avx2, Type<T>{}, Tavik::detail::avx2_available()});
#endif
#if TAVIK_DETAIL_NEON
    paths.push_back({"Neon_" + type, Path::neon, Type<T>{}, true});
#endif
#if TAVIK_AVX512_PATHS
    paths.push_back({"Avx512_" + type, Path::avx512, Type<T>{},
                     Tavik::detail::avx512_available<T>()});
#endif
  }
}

std::vector<RemoveIfPath> AllRemoveIfPaths() {
  std::vector<RemoveIfPath> paths;
  AddRemoveIfPaths<std::int8_t>(paths, "int8");
  AddRemoveIfPaths<std::int16_t>(paths, "int16");
  AddRemoveIfPaths<int>(paths, "int");
  AddRemoveIfPaths<std::int64_t>(paths, "int64");
  AddRemoveIfPaths<double>(paths, "double");
  AddRemoveIfPaths<long double>(paths, "long_double");
  AddRemoveIfPaths<std::string>(paths, "string");
  AddRemoveIfPaths<std::pair<int, float>>(paths, "pair");
  AddRemoveIfPaths<Record>(paths, "record");
  AddRemoveIfPaths<int*>(paths, "pointer");
  AddRemoveIfPaths<std::unique_ptr<int>>(paths, "unique_ptr");
  AddRemoveIfPaths<std::shared_ptr<int>>(paths, "shared_ptr");
  AddRemoveIfPaths<Tracked>(paths, "Tracked");
  return paths;
}

INSTANTIATE_TEST_SUITE_P(Paths, RemoveIfPaths, ::testing::ValuesIn(AllRemoveIfPaths()),
                         [](const auto& info) { return info.param.name; });

// An assignment that throws on the blocks path leaves what it leaves on the
// plain loop: the kept elements before the one being assigned from at the
// start, in order, and that one and every element after it where they were.
TEST(Blocks, LeaveWhatThePlainLoopLeavesWhenAnAssignmentThrows) {
  ForEachVacated<Tracked>([](auto vacated) {
    constexpr Vacated kVacated = decltype(vacated)::value;
    std::mt19937 generator(10);
    const std::vector<int> keys = IfKeys(kLongestIfInput, generator);
    auto taken = [](Tracked& element) { return element.key % 3 == 0; };
    for (const int at : {0, 1, 40, 63, 64, 150, 300}) {
      Placed<Tracked> expected(keys, 0);
      Placed<Tracked> actual(keys, 0);
      Tracked::Reset();
      Tracked::assignments_to_throw = at;
      EXPECT_THROW(static_cast<void>(Tavik::detail::remove_if_generic<kVacated>(
                       expected.begin, expected.end, taken)),
                   std::runtime_error);
      Tracked::assignments_to_throw = at;
      EXPECT_THROW(static_cast<void>(Tavik::detail::remove_if_on<kVacated>(
                       Tavik::Path::blocks, actual.begin, actual.end, taken)),
                   std::runtime_error);
      Tracked::Reset();
      EXPECT_EQ(KeysOf(actual.begin, actual.end), KeysOf(expected.begin, expected.end))
          << "at " << at;
    }
  });
}

// A member pointer is called as std::invoke calls it: on the element, on
// what a pointer element points to, and on what a std::reference_wrapper
// refers to. Each form keeps what std::erase_if keeps with std::invoke.

template <class Container, class Pred>
void ExpectErasedAsRanges(Container container, Pred pred) {
  Container expected = container;
  std::erase_if(expected, [&](auto& element) { return std::invoke(pred, element); });
  const auto erased = Tavik::erase_if(container, pred);
  EXPECT_EQ(erased, 2U);
  ASSERT_EQ(container.size(), expected.size());
  for (std::size_t i = 0; i < container.size(); ++i) {
    EXPECT_EQ(std::invoke(&Item::value, container[i]),
              std::invoke(&Item::value, expected[i]));
  }
}

TEST(RemoveIf, CallsAMemberPointerAsStdInvokeDoes) {
  std::vector<Item> items = {{1, true}, {2, false}, {3, true}, {4, false}};
  ExpectErasedAsRanges(items, &Item::gone);
  ExpectErasedAsRanges(items, &Item::Gone);
  std::vector<Item*> pointers(items.size());
  std::transform(items.begin(), items.end(), pointers.begin(),
                 [](Item& item) { return &item; });
  ExpectErasedAsRanges(pointers, &Item::gone);
  std::vector<std::reference_wrapper<Item>> references(items.begin(), items.end());
  ExpectErasedAsRanges(references, &Item::Gone);
  std::vector<NamedItem> named = {{"a", true}, {"b", false}, {"c", true}};
  EXPECT_EQ(Tavik::erase_if(named, &NamedItem::gone), 2U);
  ASSERT_EQ(named.size(), 1U);
  EXPECT_EQ(named[0].name, "b");
}

// erase and erase_if do what std::erase and std::erase_if do over every
// element type they take, move-only ones included: the same elements left,
// the same count returned and, for Tracked, the same copies (none), moves,
// comparisons and destructions.
TEST(Erase, DoesWhatStdEraseDoes) {
  const auto check = [](auto type) {
    using T = typename decltype(type)::type;
    std::mt19937 generator(12);
    for (const int length : {0, 1, 5, 64, 65, 300, 1000}) {
      for (const int below : {0, 1, 3, 7}) {  // the keys that go: none, 1 in 7, ...
        SCOPED_TRACE(::testing::Message() << "length " << length << ", below " << below);
        const std::vector<int> keys = IfKeys(length, generator);
        std::vector<T> ours;
        std::vector<T> theirs;
        for (const int key : keys) {
          ours.push_back(Element<T>(key));
          theirs.push_back(Element<T>(key));
        }
        const auto gone = [below](const T& element) { return KeyOf(element) < below; };
        Tracked::Reset();
        const auto erased = std::erase_if(theirs, gone);
        const Tracked::Counts counts = Tracked::counts;
        Tracked::Reset();
        EXPECT_EQ(Tavik::erase_if(ours, gone), erased);
        EXPECT_EQ(Tracked::counts, counts);
        EXPECT_EQ(KeysOf(ours.data(), ours.data() + ours.size()),
                  KeysOf(theirs.data(), theirs.data() + theirs.size()));
        if constexpr (std::copyable<T>) {
          Tracked::Reset();
          const auto erased_equal = std::erase(theirs, Element<T>(below));
          const Tracked::Counts equal_counts = Tracked::counts;
          Tracked::Reset();
          EXPECT_EQ(Tavik::erase(ours, Element<T>(below)), erased_equal);
          EXPECT_EQ(Tracked::counts, equal_counts);
          EXPECT_EQ(KeysOf(ours.data(), ours.data() + ours.size()),
                    KeysOf(theirs.data(), theirs.data() + theirs.size()));
        }
      }
    }
  };
  check(Type<Tracked>{});
  check(Type<std::unique_ptr<int>>{});
  check(Type<std::string>{});
  check(Type<std::pair<int, float>>{});
  check(Type<int>{});
}

// Any unqualified call inside the header would look for candidates in
// Holder<Incomplete>'s namespace and so have to complete it, which cannot
// compile: every call must name its namespace.
template <class T>
struct Holder {
  T value;
};
struct Incomplete;

constexpr bool RemovesPointersToAnIncompleteHolder() {
  Holder<Incomplete>* array[] = {nullptr, nullptr};
  return Tavik::remove(array, array + 2, static_cast<Holder<Incomplete>*>(nullptr)) ==
         array;
}
static_assert(RemovesPointersToAnIncompleteHolder());

// The item converts to T as std::remove's does: here from an int.
template <class T>
constexpr bool RemovesAtCompileTime() {
  T array[] = {1, 5, 1, 1, 5};
  T* const end = Tavik::remove(array, array + 5, 1);
  T by_predicate[] = {1, 5, 1, 1, 5};
  T* const end_if =
      Tavik::remove_if(by_predicate, by_predicate + 5, [](T x) { return x < 2; });
  return end == array + 2 && array[0] == 5 && array[4] == 5 &&
         end_if - by_predicate == 2 && std::equal(array, array + 5, by_predicate);
}
static_assert(RemovesAtCompileTime<int>() && RemovesAtCompileTime<unsigned>() &&
              RemovesAtCompileTime<short>() && RemovesAtCompileTime<long>() &&
              RemovesAtCompileTime<double>());

// Volatile elements are refused by the constraints, not deep in the header.
template <class T>
concept Sums = requires(T* p) {
  Tavik::sum(p, p);
};
template <class T>
concept Removes = requires(T* p) {
  Tavik::remove(p, p, *p);
};
static_assert(Sums<int> && Removes<int> && !Sums<volatile int> && !Removes<volatile int>);
// A temporary container's range forms return no iterator into elements that
// are gone by the time the caller could use it, as std::ranges does; a
// temporary view's elements outlive it.
constexpr auto kAlways = [](int /*element*/) { return true; };
static_assert(!std::is_same_v<decltype(Tavik::remove(std::vector<int>{}, 1)),
                              std::vector<int>::iterator> &&
              std::is_same_v<decltype(Tavik::remove_if(std::span<int>{}, kAlways)),
                             std::span<int>::iterator>);
// Read-only elements can be totalled, not removed.
static_assert(Sums<const int> && !Removes<const int>);
// The concepts tell generic code which calls the forms take: move-only
// elements are removed and erased but not totalled; a deque is no container
// erase takes; a predicate whose result converts to bool only explicitly is
// taken, as std::remove_if takes it.
struct ExplicitVerdict {
  explicit operator bool() const { return true; }
};
using Owner = std::unique_ptr<int>;
static_assert(!Tavik::Summable<Owner> && Tavik::Removable<Owner, std::nullptr_t> &&
              Tavik::RemovableIf<Owner, bool (*)(const Owner&)> &&
              Tavik::ErasableContainer<std::vector<Owner>>);
static_assert(!Tavik::ErasableContainer<std::deque<int>> &&
              !Tavik::ErasableContainer<std::array<int, 2>> &&
              Tavik::RemovableIf<int, ExplicitVerdict (*)(int)> &&
              !Tavik::RemovableIf<int, void (*)(int)>);

// The iterator and range forms reach the pointer forms over any contiguous
// container and give back the container's own iterator at the new end.
template <class Container>
void ExpectFormsAgreeWithPointers(const Container& input,
                                  std::ranges::range_value_t<Container> item) {
  SCOPED_TRACE(::testing::PrintToString(input));
  Container expected = input;
  auto* const data = std::ranges::data(expected);
  const auto kept = ShiftingRemove(data, data + std::ranges::size(expected), item) - data;

  Container by_iterators = input;
  const std::ranges::iterator_t<Container> end = Tavik::remove(
      std::ranges::begin(by_iterators), std::ranges::end(by_iterators), item);
  EXPECT_EQ(end - std::ranges::begin(by_iterators), kept);
  EXPECT_TRUE(std::ranges::equal(by_iterators, expected));

  Container as_range = input;
  EXPECT_EQ(Tavik::remove(as_range, item) - std::ranges::begin(as_range), kept);
  EXPECT_TRUE(std::ranges::equal(as_range, expected));

  // remove_if, with the predicate item == e, leaves the same through each form.
  const auto equal = [item](const auto& element) { return item == element; };
  Container if_by_iterators = input;
  EXPECT_EQ(Tavik::remove_if(std::ranges::begin(if_by_iterators),
                             std::ranges::end(if_by_iterators), equal) -
                std::ranges::begin(if_by_iterators),
            kept);
  EXPECT_TRUE(std::ranges::equal(if_by_iterators, expected));
  Container if_as_range = input;
  EXPECT_EQ(Tavik::remove_if(if_as_range, equal) - std::ranges::begin(if_as_range), kept);
  EXPECT_TRUE(std::ranges::equal(if_as_range, expected));

  // erase and erase_if, where the container has erase(first, last), erase
  // past that end.
  if constexpr (requires(Container & c) { c.erase(c.begin(), c.end()); }) {
    Container erased = input;
    EXPECT_EQ(Tavik::erase(erased, item), std::ranges::size(input) - kept);
    EXPECT_TRUE(std::equal(erased.begin(), erased.end(), data, data + kept));
    Container erased_if = input;
    EXPECT_EQ(Tavik::erase_if(erased_if, equal), std::ranges::size(input) - kept);
    EXPECT_EQ(erased_if, erased);
  }

  const auto total = std::accumulate(std::ranges::begin(input), std::ranges::end(input),
                                     std::ranges::range_value_t<Container>{});
  EXPECT_EQ(Tavik::sum(input), total);
  EXPECT_EQ(Tavik::sum(std::ranges::begin(input), std::ranges::end(input)), total);
}

TEST(Forms, IteratorsAndRangesReachThePointerForms) {
  ExpectFormsAgreeWithPointers(std::vector<int>{1, 5, 1, 1, 5, 2}, 1);
  ExpectFormsAgreeWithPointers(std::vector<double>{0.5, 1, 0.5, 2}, 0.5);
  ExpectFormsAgreeWithPointers(std::array<unsigned, 4>{7, 7, 3, 7}, 7);
  ExpectFormsAgreeWithPointers(std::string("a b  c "), ' ');
  // A C array's iterator is a pointer; a span's elements are its array's.
  int array[] = {1, 2, 1, 3};
  EXPECT_EQ(Tavik::remove(array, 1), array + 2);
  std::vector<int> spanned = {4, 1, 4};
  const std::span<int> view(spanned);
  EXPECT_EQ(Tavik::remove(view, 4) - view.begin(), 1);
  EXPECT_EQ(spanned, (std::vector<int>{1, 4, 4}));
  // The item is a copy, so it may name an element that the erase destroys.
  std::vector<int> named = {4, 1, 4};
  EXPECT_EQ(Tavik::erase(named, named.front()), 2U);
  EXPECT_EQ(named, std::vector<int>{1});
  static const int kPrimes[] = {2, 3, 5, 7};
  EXPECT_EQ(Tavik::sum(kPrimes), 17);
  EXPECT_EQ(Tavik::sum(kPrimes, kPrimes + 4), 17);
  EXPECT_EQ(Tavik::sum(std::span<const int>(kPrimes).begin() + 1,
                       std::span<const int>(kPrimes).end()),
            15);
}

TEST(Sum, AddsEveryElement) {
  const std::vector<std::pair<std::vector<int>, int>> cases = {
      {{}, 0},
      {{-10, 10}, 0},
      {{42}, 42},
      {{1, 2, 3, 4, 5}, 15},
      {{INT_MAX, -1, INT_MIN, 1}, -1},
      {{INT_MAX, 1, -1}, INT_MAX},
  };
  for (auto [values, total] : cases) {
    EXPECT_EQ(Tavik::sum(values.data(), values.data() + values.size()), total)
        << ::testing::PrintToString(values);
  }
}

TEST(Sum, ReturnsTheElementType) {
  static_assert(std::is_same_v<decltype(Tavik::sum<int>(nullptr, nullptr)), int>);
  std::vector<std::string> words = {"ab", "c", "", "de"};
  EXPECT_EQ(Tavik::sum(words.data(), words.data() + words.size()), "abcde");
  std::vector<double> halves = {0.5, 0.25, 0.25};
  EXPECT_EQ(Tavik::sum(halves.data(), halves.data() + halves.size()), 1.0);
}

// Each way sum can take for an integer type, called directly.
template <class T>
struct SumPath {
  const char* name;
  T (*sum)(const T*, const T*);
  bool available;
};

template <class T>
std::vector<SumPath<T>> SumPaths() {
  return {
    {"Generic", &Tavik::detail::sum_generic<T>, true},
#if TAVIK_DETAIL_AVX2
        {"Avx2", &Tavik::detail::sum_avx2<T>, Tavik::detail::avx2_available()},
#endif
#if TAVIK_DETAIL_NEON
        {"Neon", &Tavik::detail::sum_neon<T>, true},
#endif
#if TAVIK_AVX512_PATHS
        {"Avx512", &Tavik::detail::sum_avx512<T>, Tavik::detail::avx512_available<T>()},
#endif
  };
}

// Lengths around and past four of the widest blocks of the narrowest lanes,
// from every few places in a cache line; for int the totals fit, and
// otherwise they wrap, which every path must do alike.
template <class T>
void ExpectSumPathsToMatchAWideTotal() {
  SCOPED_TRACE(::testing::PrintToString(sizeof(T)) + " bytes, signed " +
               ::testing::PrintToString(std::is_signed_v<T>));
  std::mt19937 generator(3);
  std::uniform_int_distribution<int> value(-1'000'000, 1'000'000);
  for (int length = 0; length <= 600; ++length) {
    const int shift = length % 5;
    std::vector<T> values(shift + length);
    std::uint64_t wide = 0;
    for (T& v : values) v = static_cast<T>(value(generator));
    for (const T v : std::span(values).subspan(shift))
      wide += static_cast<std::uint64_t>(v);
    const auto wrapped = static_cast<T>(static_cast<std::make_unsigned_t<T>>(wide));
    for (const auto& path : SumPaths<T>()) {
      if (!path.available) continue;
      EXPECT_EQ(path.sum(values.data() + shift, values.data() + values.size()), wrapped)
          << path.name << ", length " << length;
    }
  }
}

TEST(SumPaths, MatchAWideTotal) {
  ExpectSumPathsToMatchAWideTotal<std::int8_t>();
  ExpectSumPathsToMatchAWideTotal<std::uint8_t>();
  ExpectSumPathsToMatchAWideTotal<std::int16_t>();
  ExpectSumPathsToMatchAWideTotal<std::uint16_t>();
  ExpectSumPathsToMatchAWideTotal<int>();
  ExpectSumPathsToMatchAWideTotal<unsigned>();
  ExpectSumPathsToMatchAWideTotal<std::int64_t>();
  ExpectSumPathsToMatchAWideTotal<std::uint64_t>();
}

// Partial sums may overflow the element type; a total that fits is exact.
template <class T, std::size_t N>
constexpr T SumAtCompileTime(std::array<T, N> values) {
  return Tavik::sum(values.data(), values.data() + N);
}
static_assert(SumAtCompileTime<int, 3>({1, 2, 3}) == 6);
static_assert(SumAtCompileTime<int, 3>({INT_MAX, 1, -1}) == INT_MAX);
static_assert(SumAtCompileTime<long long, 3>({LLONG_MIN, -1, 1}) == LLONG_MIN);
#if defined(__SIZEOF_INT128__)
// The compiler's 128-bit integers wrap too, though -std=c++20 does not count
// them as integral.
__extension__ using Int128 = __int128;
__extension__ using UInt128 = unsigned __int128;
constexpr Int128 kInt128Max = static_cast<Int128>(~UInt128{0} >> 1);
static_assert(SumAtCompileTime<Int128, 3>({kInt128Max, 1, -1}) == kInt128Max);
static_assert(SumAtCompileTime<UInt128, 2>({~UInt128{0}, 2}) == 1);
#endif

// Stands in for standard output's buffer; counts the flushes it is asked for.
class RecordingBuffer : public std::stringbuf {
 public:
  int flushes = 0;

 protected:
  int sync() override {
    ++flushes;
    return std::stringbuf::sync();
  }
};

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = std::cout.rdbuf(&buffer_); }
  void TearDown() override { std::cout.rdbuf(saved_); }
  RecordingBuffer buffer_;

 private:
  std::streambuf* saved_ = nullptr;
};

// Each form, over pointers, lists and forward lists, to standard output and
// to a stream of its own, writes the same flushed line.
TEST_F(DisplayTest, WritesOneFlushedLine) {
  const std::vector<std::pair<std::vector<int>, std::string>> cases = {
      {{}, "\n"},
      {{7}, "7\n"},
      {{1, 2, 3}, "1, 2, 3\n"},
      {{-3, 4}, "-3, 4\n"},
      {{0, -2147483647 - 1, 2147483647}, "0, -2147483648, 2147483647\n"},
  };
  RecordingBuffer given;
  std::ostream out(&given);
  for (const auto& [values, line] : cases) {
    std::vector<int> array = values;
    const std::list<int> list(values.begin(), values.end());
    const std::forward_list<int> forward(values.begin(), values.end());
    const std::vector<std::tuple<const char*, RecordingBuffer*, std::function<void()>>>
        forms = {
            {"pointers", &buffer_,
             [&] { Tavik::display<int*>(array.data(), array.data() + array.size()); }},
            {"list", &buffer_, [&] { Tavik::display(list); }},
            {"forward list iterators", &buffer_,
             [&] { Tavik::display(forward.begin(), forward.end()); }},
            {"list iterators to a stream", &given,
             [&] { Tavik::display(out, list.begin(), list.end()); }},
            {"forward list to a stream", &given, [&] { Tavik::display(out, forward); }},
            {"list up to a sentinel", &buffer_,
             [&] {
               Tavik::display(std::counted_iterator(list.begin(), std::ssize(list)),
                              std::default_sentinel);
             }},
        };
    for (const auto& [form, written, write] : forms) {
      for (RecordingBuffer* buffer : {&buffer_, &given}) {
        buffer->str("");
        buffer->flushes = 0;
      }
      write();
      EXPECT_EQ(written->str(), line) << form;
      EXPECT_EQ(written->flushes, 1) << form << ": " << line;
      EXPECT_EQ(buffer_.str().size() + given.str().size(), line.size()) << form;
    }
  }
}

TEST_F(DisplayTest, TakesAnyIteratorWithEndMinusOne) {
  const std::vector<std::string> words = {"one", "two words", ""};
  Tavik::display(words.begin(), words.end());
  EXPECT_EQ(buffer_.str(), "one, two words, \n");
}

}  // namespace
