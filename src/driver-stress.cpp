// SPDX-License-Identifier: BSL-1.0
// driver-stress: puts Tavik::sum, Tavik::remove and Tavik::display under load
// and writes a plain-text report to standard output.
//
//   driver-stress [N]   N = 1, 2 or 3 runs that scenario alone; anything
//                       else, or nothing, runs all three in order.
//
// Exit status 0 once the whole report is written; 1 when it cannot be written
// or an array cannot be allocated, with one line on standard error.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <span>
#include <string_view>

#include <tavik/Functions.h>

namespace {

constexpr const char* kProgramName = "driver-stress";
constexpr std::size_t kSmallListSize = 100;
constexpr int kSmallListLowest = 1;
constexpr int kSmallListHighest = 9;
constexpr std::size_t kLargeArraySize = 10'000'000;
constexpr int kLargeRandomLowest = -10;
constexpr int kLargeRandomHighest = 10;
constexpr int kFixedFill = 1;
constexpr int kFixedMarker = 5;  // at the indices 1, 10, 100, ...

}  // namespace

int RandomInt(int low, int high) { return low + std::rand() % (high - low + 1); }

namespace {

// One draw per element, in ascending index order, so that the report
// follows from the generator's sequence alone.
void FillRandom(std::span<int> array, int low, int high) {
  for (int& element : array) element = RandomInt(low, high);
}

// The scenario number, read as atoi reads it, except that a number outside
// int's range selects the full run (0) instead of wrapping.
int ScenarioNumber(int argc, char** argv) {
  if (argc <= 1) return 0;
  errno = 0;
  const long number = std::strtol(argv[1], nullptr, 10);
  if (errno == ERANGE || number < INT_MIN || number > INT_MAX) return 0;
  return static_cast<int>(number);
}

// One line on standard error, allocating nothing, so that it can be written
// when memory has run out. cerr is tied to cout and would flush it first,
// which would only fail again when cout is what failed.
void ReportError(std::string_view message, std::string_view cause = {}) {
  std::cerr.tie(nullptr);
  std::cerr << kProgramName << ": " << message << cause << '\n';
}

// A scenario's one array, released when it goes out of scope. When memory
// runs out the run ends here with status 1. It comes from malloc, which
// reports failure with a null pointer: new, even new (std::nothrow) in
// libstdc++, reports it by throwing std::bad_alloc, which needs memory too,
// and with the heap exhausted early the runtime has none even for that.
struct FreeArray {
  void operator()(int* array) const { std::free(array); }
};
using Array = std::unique_ptr<int[], FreeArray>;

Array AllocateArray(std::size_t size) {
  Array array(static_cast<int*>(std::malloc(size * sizeof(int))));
  if (!array) {
    ReportError("cannot allocate the array: out of memory");
    std::exit(EXIT_FAILURE);
  }
  return array;
}

}  // namespace

void TestStress1() {
  std::cout << "***** Stress1 *****" << std::endl;
  const auto list = AllocateArray(kSmallListSize);
  int* const begin = list.get();
  int* end = begin + kSmallListSize;
  FillRandom({begin, end}, kSmallListLowest, kSmallListHighest);
  Tavik::display(begin, end);
  for (int value = kSmallListLowest; value <= kSmallListHighest; ++value) {
    end = Tavik::remove(begin, end, value);
    std::cout << "remove " << value << ", new list: ";
    Tavik::display(begin, end);
  }
}

void TestStress2() {
  std::cout << "***** Stress2 *****" << std::endl;
  const auto array = AllocateArray(kLargeArraySize);
  int* const begin = array.get();
  int* end = begin + kLargeArraySize;
  FillRandom({begin, end}, kLargeRandomLowest, kLargeRandomHighest);
  std::cout << "Sum is " << Tavik::sum(begin, end) << std::endl;
  for (int value = kLargeRandomLowest; value <= kLargeRandomHighest; ++value) {
    end = Tavik::remove(begin, end, value);
    std::cout << "remove " << value << ", sum is " << Tavik::sum(begin, end) << std::endl;
  }
}

void TestStress3() {
  std::cout << "***** Stress3 *****" << std::endl;
  const auto array = AllocateArray(kLargeArraySize);
  int* const begin = array.get();
  int* const end = begin + kLargeArraySize;
  std::fill(begin, end, kFixedFill);
  for (std::size_t index = 1; index < kLargeArraySize; index *= 10) {
    begin[index] = kFixedMarker;
  }
  std::cout << "Sum is " << Tavik::sum(begin, end) << std::endl;
  int* const new_end = Tavik::remove(begin, end, kFixedFill);
  std::cout << "remove " << kFixedFill << ", sum is " << Tavik::sum(begin, new_end)
            << std::endl;
}

int main(int argc, char** argv) {
  std::srand(0);
  const int scenario = ScenarioNumber(argc, argv);
  // Every line is flushed as it ends, so a report that cannot be written
  // fails at that line; stop there rather than report success.
  std::cout.exceptions(std::ios::badbit);
  try {
    switch (scenario) {
      case 1: TestStress1(); break;
      case 2: TestStress2(); break;
      case 3: TestStress3(); break;
      default:
        TestStress1();
        TestStress2();
        TestStress3();
    }
    return EXIT_SUCCESS;
  } catch (const std::ios_base::failure&) {
    const int cause = errno;  // set by the write that failed
    ReportError("cannot write the report: ",
                cause != 0 ? std::strerror(cause) : "write error");
  }
  return EXIT_FAILURE;
}
