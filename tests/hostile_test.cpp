// End-to-end runs on inputs and outputs that lie or are not what they seem:
// size fields that disagree with the file, sizes near 2^31 and 2^32, a file
// that is all header, inputs that are not regular files, an output the tool may
// not create and an output that is a link to an input.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
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

// The output the tool must write: a 44-byte header declaring `declared`
// data bytes, then `data`.
std::string outputBytes(uint32_t declared, const std::string &data) {
  return wavHeader(2, kRate, 16, declared) + data;
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

TEST(Hostile, RiffSizeFieldIsIgnoredWhateverItSays) {
  const std::string honest = pcmWav(2, kRate, 16, kDataA);
  const auto real = static_cast<uint32_t>(honest.size() - 8);
  for (const uint32_t riffSize : {0U, 4U, real - 1, real + 1000, 0x7FFFFFFFU, 0xFFFFFFFFU}) {
    SCOPED_TRACE(riffSize);
    Pair files(honest.substr(0, 4) + le32(riffSize) + honest.substr(8));
    const RunResult run = toolRun({files.a, files.b, files.out});
    expectRun(run, 0,
              plainOut(files.a, 400) + plainOut(files.b, 256) +
                  closingLine(files.a, files.b, files.out),
              plainLengthLines(400) + plainLengthLines(256));
    EXPECT_EQ(fileRead(files.out), outputBytes(656, kDataA + kDataB));
  }
}

// A chunk whose size sends the walk far past the end of the file ends the
// walk there, whatever chunks were still to come.
TEST(Hostile, HugeChunkSizeEndsTheWalk) {
  const std::string fmt = pcmFmtChunk(2, kRate, 16);
  const std::string data = chunk("data", kDataA);
  for (const uint32_t size : {0x7FFFFFFFU, 0x80000000U, 0xFFFFFFFFU}) {
    SCOPED_TRACE(size);
    const std::string junk = chunk("junk", size, "xyz");
    const std::string junkLine = chunkLine("junk", static_cast<int32_t>(size));
    {
      SCOPED_TRACE("before \"fmt \"");
      Pair files(riff(junk + fmt + data));
      expectRun(toolRun({files.a, files.b, files.out}), 255, nameLine(files.a) + junkLine,
                "'fmt ' チャンクが無い.\n");
      EXPECT_FALSE(fs::exists(files.out));
    }
    {
      SCOPED_TRACE("between \"fmt \" and \"data\"");
      Pair files(riff(fmt + junk + data));
      expectRun(toolRun({files.a, files.b, files.out}), 255,
                nameLine(files.a) + fmtLines() + junkLine,
                fmtLengthLine(16) + "'data' チャンクが無い.\n");
      EXPECT_FALSE(fs::exists(files.out));
    }
    {
      SCOPED_TRACE("after \"data\"");
      Pair files(riff(fmt + data + junk));
      expectRun(toolRun({files.a, files.b, files.out}), 0,
                nameLine(files.a) + fmtLines() + junkLine + playingTimeLine(400) +
                    plainOut(files.b, 256) + closingLine(files.a, files.b, files.out),
                plainLengthLines(400) + plainLengthLines(256));
      EXPECT_EQ(fileRead(files.out), outputBytes(656, kDataA + kDataB));
    }
  }
}

// The "fmt " chunk itself declaring a huge body: its 16 bytes are read, then
// the walk leaves the file before it reaches "data".
TEST(Hostile, HugeFmtSizeLeavesNoData) {
  for (const uint32_t size : {0x7FFFFFFFU, 0x80000000U, 0xFFFFFFFFU}) {
    SCOPED_TRACE(size);
    Pair files(
        riff(chunk("fmt ", size, fmtBody(1, 2, kRate, kByteRate, 4, 16)) + chunk("data", kDataA)));
    expectRun(toolRun({files.a, files.b, files.out}), 255, nameLine(files.a) + fmtLines(),
              fmtLengthLine(static_cast<int32_t>(size)) + "'data' チャンクが無い.\n");
    EXPECT_FALSE(fs::exists(files.out));
  }
}

// A "data" size beyond the bytes in the file: the header declares it, the
// copy writes the frames that exist and then fails. Nothing is read beyond the
// end of the input and nothing but its real bytes is written.
TEST(Hostile, DataSizeNear2GiBWithASmallBody) {
  for (const uint32_t size : {0x7FFFFFFFU, 0x80000000U}) {
    SCOPED_TRACE(size);
    Pair files(riff(pcmFmtChunk(2, kRate, 16) + chunk("data", size, kDataA)));
    const uint32_t declared = size / 4 * 4 + 256;
    expectRun(toolRun({files.a, files.b, files.out}), 255,
              plainOut(files.a, size) + plainOut(files.b, 256),
              plainLengthLines(size) + plainLengthLines(256) + "wavDataWriteでエラー発生.\n");
    EXPECT_EQ(fileRead(files.out), outputBytes(declared, kDataA));
  }
}

TEST(Hostile, FileThatIsAllHeader) {
  const std::string fmt = pcmFmtChunk(2, kRate, 16);
  {
    SCOPED_TRACE("only the RIFF header");
    Pair files("RIFF" + le32(4) + "WAVE");
    expectRun(toolRun({files.a, files.b, files.out}), 255, nameLine(files.a),
              "'fmt ' チャンクが無い.\n");
    EXPECT_FALSE(fs::exists(files.out));
  }
  {
    SCOPED_TRACE("44-byte header of an empty sound");
    Pair files(riff(fmt + chunk("data", "")));
    expectRun(toolRun({files.a, files.b, files.out}), 0,
              plainOut(files.a, 0) + plainOut(files.b, 256) +
                  closingLine(files.a, files.b, files.out),
              plainLengthLines(0) + plainLengthLines(256));
    EXPECT_EQ(fileRead(files.out), outputBytes(256, kDataB));
  }
  const std::string promise = riff(fmt + chunk("data", 400, ""));
  {
    SCOPED_TRACE("44-byte header promising 400 bytes, first");
    Pair files(promise);
    expectRun(toolRun({files.a, files.b, files.out}), 255,
              plainOut(files.a, 400) + plainOut(files.b, 256),
              plainLengthLines(400) + plainLengthLines(256) + "wavDataWriteでエラー発生.\n");
    EXPECT_EQ(fileRead(files.out), outputBytes(656, ""));
  }
  {
    SCOPED_TRACE("44-byte header promising 400 bytes, second");
    Pair files(promise);
    expectRun(toolRun({files.b, files.a, files.out}), 255,
              plainOut(files.b, 256) + plainOut(files.a, 400),
              plainLengthLines(256) + plainLengthLines(400) + "wavDataWriteでエラー発生.\n");
    EXPECT_EQ(fileRead(files.out), outputBytes(656, kDataB));
  }
}

// A directory or an empty device opens for reading on POSIX and yields no
// bytes: the short RIFF header read reports position 0.
TEST(Hostile, InputThatIsNotARegularFile) {
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
TEST(Hostile, OutputInReadOnlyDirectory) {
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

// An output that is a symbolic link to an input names that input: refused,
// and the input keeps its bytes.
TEST(Hostile, OutputThatIsASymbolicLinkToAnInput) {
  if (targetIsWindows()) {
    GTEST_SKIP() << "symbolic links are not made by the Windows tests";
  }
  const std::string aBytes = pcmWav(2, kRate, 16, kDataA);
  const std::string bBytes = pcmWav(2, kRate, 16, kDataB);
  struct Case {
    const char *what;
    const char *target; // as written into the link
    bool inputIsTheLink;
  };
  const Case cases[] = {
      {"link to the first input", "a.wav", false},
      {"link to the second input", "b.wav", false},
      {"absolute link to the second input", nullptr, false},
      {"first input named through a link, output its target", "a.wav", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Pair files(aBytes);
    const std::string link = files.dir.path("link.wav");
    fs::create_symlink(c.target != nullptr ? std::string(c.target) : files.b, link);
    const std::string first = c.inputIsTheLink ? link : files.a;
    const std::string out = c.inputIsTheLink ? files.a : link;
    expectRun(toolRun({first, files.b, out}), 255, plainOut(first, 400) + plainOut(files.b, 256),
              plainLengthLines(400) + plainLengthLines(256) + "出力ファイル " + out +
                  " が入力ファイルと同じです.\n");
    EXPECT_EQ(fileRead(files.a), aBytes);
    EXPECT_EQ(fileRead(files.b), bBytes);
    EXPECT_TRUE(fs::is_symlink(link));
  }
}

} // namespace
