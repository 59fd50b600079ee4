// SPDX-License-Identifier: BSL-1.0
// Runs the built driver-stress as a child process and compares everything it
// writes with a report computed here from rand() alone, without the library.
// On Windows only the arguments' table runs: the failures are made with
// POSIX's means (/dev/full, a closed descriptor, a pipe, an address limit).
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

struct Result {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// In text mode, so that the end of line reads as "\n" where the platform's
// is another.
std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), {}};
}

// A finished run: its status and what it wrote to the two files, which go.
Result Collect(int status, const std::string& out_path, const std::string& err_path) {
  Result result{status, ReadFile(out_path), ReadFile(err_path)};
  std::remove(out_path.c_str());
  std::remove(err_path.c_str());
  return result;
}

#if defined(_WIN32)

// The child inherits the standard handles, so they point at the files for
// the call. Windows passes one command line, so every argument is quoted
// (none here holds a quote or ends in a backslash).
Result RunDriver(const std::vector<std::string>& args) {
  static int runs = 0;
  const std::string stem =
      ::testing::TempDir() + "driver-stress-" + std::to_string(_getpid()) + "-";
  const std::string out_path = stem + std::to_string(++runs);
  const std::string err_path = stem + std::to_string(++runs);
  std::vector<std::string> quoted;
  for (const std::string& arg : args) quoted.push_back('"' + arg + '"');
  std::vector<const char*> argv{DRIVER_STRESS_PATH};
  for (const std::string& arg : quoted) argv.push_back(arg.c_str());
  argv.push_back(nullptr);

  std::fflush(stdout);
  std::fflush(stderr);
  const int saved_out = _dup(1);
  const int saved_err = _dup(2);
  const auto redirect = [](const std::string& path, int to) {
    const int file =
        _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, _S_IREAD | _S_IWRITE);
    _dup2(file, to);
    _close(file);
  };
  redirect(out_path, 1);
  redirect(err_path, 2);
  const intptr_t status = _spawnv(_P_WAIT, DRIVER_STRESS_PATH, argv.data());
  _dup2(saved_out, 1);
  _dup2(saved_err, 2);
  _close(saved_out);
  _close(saved_err);

  return Collect(static_cast<int>(status), out_path, err_path);
}

#else

enum class Output { kFile, kDevFull, kClosed, kPipeWithoutReader };

std::string TemporaryFile() {
  std::string path = ::testing::TempDir() + "driver-stress-XXXXXX";
  const int fd = mkstemp(path.data());
  EXPECT_NE(fd, -1) << std::strerror(errno);
  close(fd);
  return path;
}

Result RunDriver(const std::vector<std::string>& args, Output output = Output::kFile,
                 rlim_t address_space = RLIM_INFINITY) {
  const std::string out_path = TemporaryFile();
  const std::string err_path = TemporaryFile();
  // Where the program runs under an emulator, the emulator is run with it.
  std::istringstream launcher_words(DRIVER_STRESS_LAUNCHER);
  std::vector<std::string> launcher{std::istream_iterator<std::string>(launcher_words),
                                    {}};
  std::vector<char*> argv;
  argv.reserve(launcher.size() + args.size() + 2);
  for (std::string& word : launcher) argv.push_back(word.data());
  argv.push_back(const_cast<char*>(DRIVER_STRESS_PATH));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  int pipe_ends[2] = {-1, -1};
  if (output == Output::kPipeWithoutReader) {
    EXPECT_EQ(pipe(pipe_ends), 0);
    close(pipe_ends[0]);
  }
  const pid_t pid = fork();
  if (pid == 0) {
    const int err = open(err_path.c_str(), O_WRONLY | O_TRUNC);
    dup2(err, STDERR_FILENO);
    switch (output) {
      case Output::kFile:
        dup2(open(out_path.c_str(), O_WRONLY | O_TRUNC), STDOUT_FILENO);
        break;
      case Output::kDevFull: dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO); break;
      case Output::kClosed: close(STDOUT_FILENO); break;
      case Output::kPipeWithoutReader: dup2(pipe_ends[1], STDOUT_FILENO); break;
    }
    const rlimit limit{address_space, address_space};
    setrlimit(RLIMIT_AS, &limit);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pipe_ends[1] != -1) close(pipe_ends[1]);
  int wait_status = 0;
  EXPECT_EQ(waitpid(pid, &wait_status, 0), pid);
  return Collect(
      WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status),
      out_path, err_path);
}

#endif

std::string Join(const std::vector<int>& values) {
  std::string line;
  for (const int v : values) {
    if (!line.empty()) line += ", ";
    line += std::to_string(v);
  }
  return line + "\n";
}

// Each expectation draws from rand() as the program does: one value per
// element, continuing from wherever the generator stands.
std::string ExpectedStress1() {
  std::vector<int> list(100);
  for (int& v : list) v = 1 + std::rand() % 9;
  std::string report = "***** Stress1 *****\n" + Join(list);
  for (int removed = 1; removed <= 9; ++removed) {
    std::vector<int> left;
    for (const int v : list) {
      if (v > removed) left.push_back(v);
    }
    report += "remove " + std::to_string(removed) + ", new list: " + Join(left);
  }
  return report;
}

std::string ExpectedStress2() {
  std::array<long long, 21> count{};  // count[v + 10] for v in [-10, 10]
  for (int i = 0; i < 10'000'000; ++i) ++count[std::rand() % 21];
  long long total = 0;
  for (int v = -10; v <= 10; ++v) total += v * count[v + 10];
  std::string report = "***** Stress2 *****\nSum is " + std::to_string(total) + "\n";
  for (int v = -10; v <= 10; ++v) {
    total -= v * count[v + 10];
    report += "remove " + std::to_string(v) + ", sum is " + std::to_string(total) + "\n";
  }
  return report;
}

std::string ExpectedStress3() {
  constexpr long long kFives = 7;  // at 1, 10, ..., 1,000,000
  constexpr long long kOnes = 10'000'000 - kFives;
  return "***** Stress3 *****\nSum is " + std::to_string(kOnes + 5 * kFives) +
         "\nremove 1, sum is " + std::to_string(5 * kFives) + "\n";
}

enum class Report { kFull, kStress1, kStress2, kStress3 };

const std::string& Expected(Report report) {
  static const std::array<std::string, 4> reports = [] {
    std::array<std::string, 4> r;
    std::srand(0);
    r[0] = ExpectedStress1();
    r[0] += ExpectedStress2();
    r[0] += ExpectedStress3();
    std::srand(0);
    r[1] = ExpectedStress1();
    std::srand(0);
    r[2] = ExpectedStress2();
    r[3] = ExpectedStress3();
    return r;
  }();
  return reports[static_cast<int>(report)];
}

struct ArgumentCase {
  const char* name;
  std::vector<std::string> args;
  Report report;
};

void PrintTo(const ArgumentCase& c, std::ostream* os) { *os << c.name; }

class Arguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(Arguments, SelectTheReport) {
  const Result result = RunDriver(GetParam().args);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, Expected(GetParam().report));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Arguments,
    ::testing::Values(
        ArgumentCase{"None", {}, Report::kFull},
        ArgumentCase{"One", {"1"}, Report::kStress1},
        ArgumentCase{"Two", {"2"}, Report::kStress2},
        ArgumentCase{"Three", {"3"}, Report::kStress3},
        ArgumentCase{"Zero", {"0"}, Report::kFull},
        ArgumentCase{"Four", {"4"}, Report::kFull},
        ArgumentCase{"MinusOne", {"-1"}, Report::kFull},
        ArgumentCase{"Letters", {"abc"}, Report::kFull},
        ArgumentCase{"Empty", {""}, Report::kFull},
        ArgumentCase{"TwoThenLetter", {"2x"}, Report::kStress2},
        ArgumentCase{"BlankThree", {" 3"}, Report::kStress3},
        ArgumentCase{"TabPlusTwo", {"\t+2"}, Report::kStress2},
        ArgumentCase{"TwoArguments", {"1", "2"}, Report::kStress1},
        ArgumentCase{"TwoToThe32PlusOne", {"4294967297"}, Report::kFull},
        ArgumentCase{"MinusTwoToThe32PlusThree", {"-4294967293"}, Report::kFull},
        ArgumentCase{"IntMaxPlusOne", {"2147483648"}, Report::kFull},
        ArgumentCase{"BeyondLong", {"18446744073709551617"}, Report::kFull}),
    [](const auto& info) { return std::string(info.param.name); });

#if !defined(_WIN32)

std::string WriteError(int cause) {
  return std::string("driver-stress: cannot write the report: ") + std::strerror(cause) +
         "\n";
}

struct OutputCase {
  const char* name;
  Output output;
  int cause;
};

void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.name; }

class UnwritableOutput : public ::testing::TestWithParam<OutputCase> {};

TEST_P(UnwritableOutput, FailsWithTheCause) {
  // Ignored signals stay ignored in the child, so a gone reader is EPIPE.
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  const Result result = RunDriver({"1"}, GetParam().output);
  std::signal(SIGPIPE, previous);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, WriteError(GetParam().cause));
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnwritableOutput,
    ::testing::Values(OutputCase{"FullDisk", Output::kDevFull, ENOSPC},
                      OutputCase{"Closed", Output::kClosed, EBADF},
                      OutputCase{"PipeWithoutReader", Output::kPipeWithoutReader, EPIPE}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kOutOfMemory =
    "driver-stress: cannot allocate the array: out of memory\n";

// Enough address space for the small list, not for a 40 MB array.
constexpr rlim_t kSmallAddressSpace = 32 << 20;

TEST(OutOfMemory, KeepsWhatWasWrittenAndFails) {
  if (kAddressSanitizer) {
    GTEST_SKIP() << "the address sanitizer needs far more address space than "
                    "the limit leaves";
  }
  const Result small = RunDriver({"1"}, Output::kFile, kSmallAddressSpace);
  ASSERT_EQ(small.status, 0) << "the limit leaves too little for the small list";
  EXPECT_EQ(small.out, Expected(Report::kStress1));

  const Result full = RunDriver({}, Output::kFile, kSmallAddressSpace);
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.out, Expected(Report::kStress1) + "***** Stress2 *****\n");
  EXPECT_EQ(full.err, kOutOfMemory);
}

// Just above the least memory the program can start with, even the small
// list's allocation fails, and the runtime has nothing left to throw with.
// Below that limit the loader gives up (status 127, nothing written); from
// there up to the least the small list needs, every run must say that
// memory ran out and exit 1, keeping what it wrote.
TEST(OutOfMemory, ReportsAtEveryLimitTheProgramStartsWith) {
  if (kAddressSanitizer) {
    GTEST_SKIP() << "the address sanitizer needs far more address space";
  }
  constexpr rlim_t kPage = 4096;
  rlim_t fails = 0;
  rlim_t runs = kSmallAddressSpace / kPage;
  ASSERT_EQ(RunDriver({"1"}, Output::kFile, runs * kPage).status, 0);
  while (runs - fails > 1) {
    const rlim_t pages = fails + (runs - fails) / 2;
    (RunDriver({"1"}, Output::kFile, pages * kPage).status == 0 ? runs : fails) = pages;
  }
  for (rlim_t pages = runs - 64; pages < runs; ++pages) {
    const Result result = RunDriver({"1"}, Output::kFile, pages * kPage);
    if (result.status == 127 && result.out.empty()) continue;
    EXPECT_EQ(result.status, 1) << pages << " pages: " << result.err;
    EXPECT_EQ(result.err, kOutOfMemory) << pages << " pages";
    EXPECT_TRUE(Expected(Report::kStress1).starts_with(result.out)) << pages << " pages";
  }
}

#endif  // !_WIN32

}  // namespace
