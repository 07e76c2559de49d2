// End-to-end runs in surroundings that fail the tool: inputs that are not
// regular files, outputs it may not create, devices and pipes that refuse
// what it writes, and a file-size limit that stops a write part way.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "expected_text.h"
#include "tool_run.h"
#include "wav_builder.h"

namespace {

using namespace wavtest;
namespace fs = std::filesystem;

// Every fixture is 16-bit stereo at 44.1 kHz: 4-byte frames, 176400 bytes/s.
constexpr uint32_t kRate = 44100;
constexpr uint32_t kByteRate = 176400;
const std::string kDataA = samples(400, 1);
const std::string kDataB = samples(256, 2);

std::string fmtLines() { return pcmFormatLines(2, kRate, 16); }

std::string playingTimeLine(uint32_t dataLength) { return timeLine(dataLength, kByteRate); }

// What the reader prints for a plain input ("fmt " then "data"), stdout and stderr.
std::string plainOut(const std::string &name, uint32_t dataLength) {
  return nameLine(name) + fmtLines() + playingTimeLine(dataLength);
}

void expectRun(const RunResult &run, int status, const std::string &out, const std::string &err) {
  EXPECT_EQ(run.status, status);
  EXPECT_EQ(run.out, sjis(out));
  EXPECT_EQ(run.err, sjis(err));
}

// A scratch directory holding a.wav (the caller's bytes) and b.wav (plain).
struct Pair {
  explicit Pair(const std::string &aBytes) {
    fileWrite(a, aBytes);
    fileWrite(b, pcmWav(2, kRate, 16, kDataB));
  }
  ScratchDir dir;
  std::string a = dir.path("a.wav");
  std::string b = dir.path("b.wav");
  std::string out = dir.path("out.wav");
};

// A directory or an empty device opens for reading on POSIX and yields no
// bytes: the short RIFF header read reports position 0.
TEST(Environment, InputThatIsNotARegularFile) {
  if (targetIsWindows()) {
    GTEST_SKIP() << "directories and /dev/null cannot be opened as input files on Windows";
  }
  Pair files(pcmWav(2, kRate, 16, kDataA));
  const std::string dir = files.dir.path("folder.wav");
  fs::create_directory(dir);
  for (const std::string &odd : {dir, std::string("/dev/null")}) {
    SCOPED_TRACE(odd);
    expectRun(toolRun({odd, files.a, files.out}), 255, nameLine(odd), " 0 で読み込み失敗.\n");
    expectRun(toolRun({files.a, odd, files.out}), 255, plainOut(files.a, 400) + nameLine(odd),
              plainLengthLines(400) + " 0 で読み込み失敗.\n");
    EXPECT_FALSE(fs::exists(files.out));
  }
}

// Runs the tool with $PAIRTONE_EMULATOR replaced for the duration of one run.
RunResult toolRunWith(const std::string &emulator, const std::vector<std::string> &args) {
  const char *saved = std::getenv("PAIRTONE_EMULATOR");
  const std::string restore = saved != nullptr ? saved : "";
  setenv("PAIRTONE_EMULATOR", emulator.c_str(), 1);
  RunResult run = toolRun(args);
  if (saved != nullptr) {
    setenv("PAIRTONE_EMULATOR", restore.c_str(), 1);
  } else {
    unsetenv("PAIRTONE_EMULATOR");
  }
  return run;
}

// Root may write anywhere, so as root the tool runs as user and group 65534
// (setpriv, from util-linux), which may read the inputs but not write there.
TEST(Environment, OutputInReadOnlyDirectory) {
  std::string dropPrivileges;
  if (geteuid() == 0) {
    if (targetIsWindows()) {
      GTEST_SKIP() << "running as root, and the emulated tool cannot drop privileges";
    }
    dropPrivileges = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    if (toolRunWith(dropPrivileges, {}).status != 255) {
      GTEST_SKIP() << "running as root, and the tool cannot be run as user 65534 (setpriv "
                      "missing, or the build directory not readable by others)";
    }
  }
  Pair files(pcmWav(2, kRate, 16, kDataA));
  const std::string locked = files.dir.path("locked");
  const std::string out = locked + "/out.wav";
  fs::create_directory(locked);
  chmod(files.dir.root.c_str(), 0755);
  chmod(locked.c_str(), 0555);
  const RunResult run = toolRunWith(dropPrivileges, {files.a, files.b, out});
  chmod(locked.c_str(), 0755);
  expectRun(run, 255, plainOut(files.a, 400) + plainOut(files.b, 256),
            plainLengthLines(400) + plainLengthLines(256) + openFailure(out));
  EXPECT_FALSE(fs::exists(out));
}

// A full disk often shows only when the buffered output is flushed.
TEST(Environment, WriteThatFailsOnAFullDevice) {
  if (targetIsWindows()) {
    GTEST_SKIP() << "/dev/full does not exist on Windows";
  }
  Pair files(pcmWav(2, kRate, 16, kDataA));
  expectRun(toolRun({files.a, files.b, "/dev/full"}), 255,
            plainOut(files.a, 400) + plainOut(files.b, 256),
            plainLengthLines(400) + plainLengthLines(256) + "/dev/full へ書き込めません.\n");
}

// A pipe has no position, so the header cannot be confirmed at 44.
TEST(Environment, OutputWithoutAPositionFailsAtTheHeader) {
  if (targetIsWindows()) {
    GTEST_SKIP() << "FIFOs do not exist on Windows";
  }
  Pair files(pcmWav(2, kRate, 16, kDataA));
  const std::string fifo = files.dir.path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread drain = fifoDrainStart(fifo);
  const RunResult run = toolRun({files.a, files.b, fifo});
  drain.join();
  expectRun(run, 255, plainOut(files.a, 400) + plainOut(files.b, 256),
            plainLengthLines(400) + plainLengthLines(256) + "ヘッダを書き込めません: " + fifo +
                "\n");
}

// A write into a regular file can stop part way: a full disk, a file-size
// limit. Either copy path must then fail in the data writer, with the output
// holding every byte written before the limit. On Linux the kernel copy takes
// the data of an input of one block (1 MiB) or more (where the file system
// copies no range, and on Windows, the block copy takes it, to the same
// result). The block copy takes smaller data and fails inside the data writer
// only when the data passes the stream's buffer (4 KiB on common file
// systems); an output that fits in the buffer fails when it is closed.
TEST(Environment, WriteStoppedByAFileSizeLimit) {
  struct LimitCase {
    std::string label;
    std::size_t firstSize;
    std::size_t secondSize;
    uint64_t limit;
    bool failsAtClose;
  };
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  const std::vector<LimitCase> cases = {
      {"kernel copy of the first input", 2 * kBlock + 8, 256, 44 + kBlock + 2, false},
      {"kernel copy of the second, behind the buffered first", 400, kBlock + 4, 44 + 400 + 5001,
       false},
      {"block copy of the first input", 600 << 10, 256, 44 + (300 << 10) + 1, false},
      {"block copy of the second input", 400, 600 << 10, 44 + 400 + (100 << 10) + 3, false},
      {"an output inside the stream buffer fails at the close", 2000, 2000, 44 + 3000, true},
  };
  for (const LimitCase &c : cases) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const std::string a = dir.path("a.wav");
    const std::string b = dir.path("b.wav");
    const std::string out = dir.path("out.wav");
    const std::string dataA = samples(c.firstSize, 1);
    const std::string dataB = samples(c.secondSize, 2);
    fileWrite(a, pcmWav(2, kRate, 16, dataA));
    fileWrite(b, pcmWav(2, kRate, 16, dataB));
    const auto firstSize = static_cast<uint32_t>(c.firstSize);
    const auto secondSize = static_cast<uint32_t>(c.secondSize);

    const RunResult run = toolRun({a, b, out}, RunOptions{c.limit});
    expectRun(run, 255, plainOut(a, firstSize) + plainOut(b, secondSize),
              plainLengthLines(firstSize) + plainLengthLines(secondSize) +
                  (c.failsAtClose ? out + " へ書き込めません.\n" : "wavDataWriteでエラー発生.\n"));
    const std::string whole = wavHeader(2, kRate, 16, firstSize + secondSize) + dataA + dataB;
    EXPECT_TRUE(fileRead(out) == whole.substr(0, c.limit))
        << "the output holds " << fileRead(out).size() << " bytes, not the first " << c.limit
        << " of the joined file";
  }
}

} // namespace
