// The 4 GiB limit of a joined output, run through the join phase on records
// directly: the sizes involved are too large for files.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "expected_text.h"
#include "join/wav_join.h"
#include "tool_run.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

WavInfo record(uint16_t channels, uint16_t bits, uint32_t dataLength) {
  WavInfo info{};
  info.sampleRate = 44100;
  info.bitsPerSample = bits;
  info.channels = channels;
  info.bytesPerSec = 44100U * channels * (bits / 8U);
  info.dataLength = dataLength;
  return info;
}

} // namespace

// An accepted pair gets as far as reopening its inputs, which do not exist
// here: the header written before that declares the joined whole frames.
TEST(JoinedLength, LimitCountsWholeFramesOnly) {
  const std::string tooLong = sjis("合成後のデータが4Gバイトを超えるため合成できません!\n");
  struct Case {
    const char *label;
    WavInfo first;
    WavInfo second;
    uint32_t declared; // by the output header of an accepted pair
  };
  const uint32_t limit = UINT32_MAX - 36; // the data a header can declare
  const Case cases[] = {
      {"8-bit mono, exactly at the limit", record(1, 8, limit - 5), record(1, 8, 5), limit},
      {"8-bit mono, one byte over", record(1, 8, limit - 5), record(1, 8, 6), 0},
      // 16-bit stereo: limit and 3 bytes hold limit - 3 bytes of whole frames.
      {"remainders dropped bring it under", record(2, 16, limit), record(2, 16, 3), limit - 3},
      {"the sum would wrap in 32 bits", record(2, 16, 0x80000000U), record(2, 16, 0x80000000U), 0},
      // 0xFFFFFFFF is a streaming writer's size, with maybe more sound behind
      // it: refused, though its 64-byte frames alone would come to the limit - 27.
      {"0xFFFFFFFF in 64-byte frames, first", record(32, 16, 0xFFFFFFFFU), record(32, 16, 0), 0},
      {"0xFFFFFFFF in 64-byte frames, second", record(32, 16, 0), record(32, 16, 0xFFFFFFFFU), 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const std::string first = dir.path("first.wav");
    const std::string second = dir.path("second.wav");
    const std::string output = dir.path("out.wav");
    InputNames names;
    fileNameSet(&names.name[0], first.c_str());
    fileNameSet(&names.name[1], second.c_str());
    FileName outputName;
    fileNameSet(&outputName, output.c_str());
    WavInfo info[2] = {c.first, c.second};
    ::testing::internal::CaptureStderr();
    const int result = wavFilesJoin(&names, &outputName, info);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, -1);
    if (c.declared == 0) {
      EXPECT_EQ(errors, tooLong);
      EXPECT_FALSE(std::filesystem::exists(output));
    } else {
      EXPECT_EQ(errors, sjis(openFailure(first)));
      EXPECT_EQ(fileRead(output),
                wavHeader(c.first.channels, 44100, c.first.bitsPerSample, c.declared));
    }
  }
}
