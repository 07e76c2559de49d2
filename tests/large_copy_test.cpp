// End-to-end: data of a block (1 MiB) or more, which the tool may hand to the
// kernel to copy, must come out exactly as the block copy writes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expected_text.h"
#include "tool_run.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

// A 16-bit stereo input whose "data" chunk sits between two other chunks.
std::string wavBetweenChunks(const std::string &data) {
  return riff(pcmFmtChunk(2, 44100, 16) + chunk("LIST", samples(26, 3)) + chunk("data", data) +
              chunk("junk", samples(10, 4)));
}

struct LargeCase {
  std::string label;
  std::string fileA;
  std::string dataA;
  std::string fileB;
  std::string dataB;
};

} // namespace

TEST(LargeJoin, OutputBytesAsTheBlockCopyWritesThem) {
  const std::string shortData = samples(100, 1);
  const std::string longData = samples(kBlock + 6, 2);
  const std::string firstBetween = samples(2 * kBlock + 2, 5);
  const std::string secondBetween = samples(kBlock + 6, 6);
  const std::vector<LargeCase> cases = {
      // The header and the short input wait in the stream buffer while the
      // long one is copied: they must still come first.
      {"a short input, then a long one", pcmWav(2, 44100, 16, shortData), shortData,
       pcmWav(2, 44100, 16, longData), longData},
      // Only the declared data, from where it starts, and only whole frames.
      {"both long, data between other chunks", wavBetweenChunks(firstBetween), firstBetween,
       wavBetweenChunks(secondBetween), secondBetween},
  };
  for (const LargeCase &c : cases) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    fileWrite(dir.path("a.wav"), c.fileA);
    fileWrite(dir.path("b.wav"), c.fileB);
    const RunResult run = toolRun({dir.path("a.wav"), dir.path("b.wav"), dir.path("out.wav")});
    EXPECT_EQ(run.status, 0);
    const std::string joined = wholeFrames(c.dataA, 4) + wholeFrames(c.dataB, 4);
    const std::string expected =
        wavHeader(2, 44100, 16, static_cast<uint32_t>(joined.size())) + joined;
    EXPECT_TRUE(fileRead(dir.path("out.wav")) == expected) << "the output differs";
  }
}

// An output that is no regular file takes the block copy like any other.
TEST(LargeJoin, IntoTheNullDevice) {
  if (targetIsWindows()) {
    GTEST_SKIP() << "/dev/null does not exist on Windows";
  }
  const ScratchDir dir;
  const std::string a = dir.path("a.wav");
  const std::string b = dir.path("b.wav");
  fileWrite(a, pcmWav(2, 44100, 16, samples(kBlock + 8, 7)));
  fileWrite(b, pcmWav(2, 44100, 16, samples(kBlock, 8)));
  const RunResult run = toolRun({a, b, "/dev/null"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, sjis(fmtLengthLine(16) + dataLengthLine(kBlock + 8) + fmtLengthLine(16) +
                          dataLengthLine(kBlock)));
  const std::string closing = sjis(closingLine(a, b, "/dev/null"));
  ASSERT_GE(run.out.size(), closing.size());
  EXPECT_EQ(run.out.substr(run.out.size() - closing.size()), closing);
}
