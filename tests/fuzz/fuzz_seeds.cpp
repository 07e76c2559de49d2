// Writes the fuzzer's seed corpus into the directory named on the command
// line: a few small inputs the tool joins and a few it refuses, each made by
// the tests' WAVE builder.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "wav_builder.h"

using namespace wavtest;

namespace {

std::vector<std::pair<std::string, std::string>> seeds() {
  const std::string stereo16 = pcmFmtChunk(2, 44100, 16);
  return {
      {"stereo16.wav", pcmWav(2, 44100, 16, samples(64, 1))},
      {"mono8-odd.wav", pcmWav(1, 11025, 8, samples(7, 2))},
      {"six-channels.wav", pcmWav(6, 48000, 16, samples(48, 3))},
      {"chunks-around-data.wav",
       riff(chunk("LIST", "odd") + std::string(1, '\0') + stereo16 + chunk("data", samples(20, 4)) +
            chunk("cue ", samples(8, 5)))},
      {"fmt-extended.wav", riff(chunk("fmt ", fmtBody(1, 2, 44100, 176400, 4, 16) + le16(0)) +
                                chunk("data", samples(16, 6)))},
      {"extensible-six-channels.wav",
       riff(extensibleFmtChunk(6, 48000, 16) + chunk("fact", le32(4)) +
            chunk("data", samples(48, 13)))},
      {"extensible-float.wav",
       riff(chunk("fmt ", extensibleFmtBody(2, 44100, 32, 32, floatSubFormat())) +
            chunk("data", samples(16, 14)))},
      {"streaming-size-ffmpeg.wav",
       riff(stereo16 + chunk("LIST", "INFOISFT") + chunk("data", 0xFFFFFFFFU, samples(33, 7)))},
      {"streaming-size-sox.wav", riff(stereo16 + chunk("data", 0x7FFFF000U, samples(30, 15)))},
      {"data-truncated.wav", riff(stereo16 + chunk("data", 1000, samples(10, 8)))},
      {"two-data-chunks.wav",
       riff(stereo16 + chunk("data", samples(8, 9)) + chunk("data", samples(12, 10)))},
      {"short-fmt.wav",
       riff(chunk("fmt ", 4, fmtBody(1, 2, 44100, 176400, 4, 16)) + chunk("data", samples(8, 11)))},
      {"float.wav",
       riff(chunk("fmt ", fmtBody(3, 2, 44100, 352800, 8, 32)) + chunk("data", samples(16, 12)))},
      {"no-data.wav", riff(stereo16)},
      {"huge-chunk.wav", riff(stereo16 + chunk("junk", 0xFFFFFFF8U, "") + chunk("data", "ab"))},
      {"not-wave.wav", "RIFF" + le32(4) + "AVI "},
      {"five-bytes.wav", "RIFF\x01"},
  };
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIRECTORY\n");
    return 1;
  }
  for (const auto &[name, bytes] : seeds()) {
    fileWrite(std::string(argv[1]) + "/" + name, bytes);
  }
  return 0;
}
