// Cases where a Windows build can go wrong while the Linux one is right: text
// mode, 32-bit file positions and file identity (file names with characters
// beyond ASCII are in file_name_test.cpp). They run against both builds; the
// Windows spellings only under Windows.
#include <gtest/gtest.h>

#include <string>

#include "tool_run.h"
#include "wav_builder.h"

namespace wavtest {
namespace {

// Every byte value, so CR, LF and Ctrl-Z (end of file for a text-mode read on
// Windows) all sit in the sample data.
std::string everyByte(std::size_t repeats) {
  std::string bytes;
  for (std::size_t r = 0; r < repeats; ++r) {
    for (int value = 0; value < 256; ++value) {
      bytes += static_cast<char>(value);
    }
  }
  return bytes;
}

std::string sameFileRefusal(const std::string &outputName) {
  return sjis("出力ファイル ") + outputName + sjis(" が入力ファイルと同じです.\n");
}

TEST(PlatformTest, SampleBytesPassUntranslated) {
  const ScratchDir dir;
  const std::string first = everyByte(4);
  const std::string forward = everyByte(2);
  const std::string second(forward.rbegin(), forward.rend());
  fileWrite(dir.path("a.wav"), pcmWav(2, 44100, 16, first));
  fileWrite(dir.path("b.wav"), pcmWav(2, 44100, 16, second));

  const RunResult run = toolRun({dir.path("a.wav"), dir.path("b.wav"), dir.path("out.wav")});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(fileRead(dir.path("out.wav")), pcmWav(2, 44100, 16, first + second));
}

// The "data" chunk starts beyond 2 GiB, past a sparse "junk" chunk: a reader
// with 32-bit positions (plain fseek/ftell on Windows) loses it.
TEST(PlatformTest, DataBeyondTwoGibibytesIsFoundAndCopied) {
  const ScratchDir dir;
  const uint32_t junkSize = 0x80000000U;
  const std::string head =
      "RIFF" + le32(0xFFFFFFFFU) + "WAVE" + pcmFmtChunk(1, 8000, 8) + "junk" + le32(junkSize);
  const std::string farData = samples(3000, 1);
  sparseFileWrite(dir.path("far.wav"), head, junkSize, chunk("data", farData));
  const std::string nearData = samples(1000, 2);
  fileWrite(dir.path("near.wav"), pcmWav(1, 8000, 8, nearData));

  const RunResult run = toolRun({dir.path("far.wav"), dir.path("near.wav"), dir.path("out.wav")});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(" \"junk\"" + sjis("の長さ: -2147483648 [bytes]\n")), std::string::npos)
      << run.out;
  EXPECT_EQ(fileRead(dir.path("out.wav")), pcmWav(1, 8000, 8, farData + nearData));
}

// Windows names one file in several ways; each must be seen as the input and
// the input left untouched.
TEST(PlatformTest, OutputNamingAnInputInAWindowsSpellingIsRefused) {
  if (!targetIsWindows()) {
    GTEST_SKIP() << "drive letters, backslashes and case-blind names are Windows spellings";
  }
  const ScratchDir dir;
  const std::string input = pcmWav(2, 44100, 16, samples(400, 3));
  fileWrite(dir.path("a.wav"), input);
  fileWrite(dir.path("b.wav"), pcmWav(2, 44100, 16, samples(400, 4)));
  // wine shows the Unix root as drive Z:.
  std::string drivePath = "Z:" + dir.path("a.wav");
  for (char &c : drivePath) {
    c = c == '/' ? '\\' : c;
  }

  for (const std::string &spelling : {drivePath, dir.path("A.WAV"), dir.root + "\\a.wav"}) {
    SCOPED_TRACE(spelling);
    const RunResult run = toolRun({dir.path("a.wav"), dir.path("b.wav"), spelling});
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.err.find(sameFileRefusal(spelling)), std::string::npos) << run.err;
    EXPECT_EQ(fileRead(dir.path("a.wav")), input);
  }
}

} // namespace
} // namespace wavtest
