// wavgen: writes a 16-bit stereo 44.1 kHz sine tone as a PCM WAVE file, for
// the demo and the benchmark. Usage: wavgen OUTPUT.wav DATA-BYTES [TONE-HZ]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "wav_builder.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr uint16_t kBits = 16;
constexpr uint32_t kFrameSize = kChannels * kBits / 8;

// One second of the tone; a whole number of hertz repeats exactly every second.
std::vector<char> secondOfTone(unsigned toneHz) {
  std::vector<char> second;
  second.reserve(std::size_t{kRate} * kFrameSize);
  const double pi = std::acos(-1.0);
  for (uint32_t frame = 0; frame < kRate; ++frame) {
    const double phase = 2.0 * pi * toneHz * frame / kRate;
    const auto left = static_cast<int16_t>(12000.0 * std::sin(phase));
    const auto right = static_cast<int16_t>(12000.0 * std::sin(phase * 1.5));
    for (int16_t sample : {left, right}) {
      const std::string bytes = wavtest::le16(static_cast<uint16_t>(sample));
      second.insert(second.end(), bytes.begin(), bytes.end());
    }
  }
  return second;
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: wavgen OUTPUT.wav DATA-BYTES [TONE-HZ]\n");
    return 2;
  }
  const unsigned long long requested = std::strtoull(argv[2], nullptr, 10);
  const unsigned toneHz =
      argc == 4 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 440U;
  if (requested > 0xFFFFFFFFULL - 36) {
    std::fprintf(stderr, "wavgen: a WAVE file holds at most 4 GiB of data\n");
    return 2;
  }
  const auto dataBytes = static_cast<uint32_t>(requested / kFrameSize * kFrameSize);
  FILE *out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const std::string header = wavtest::wavHeader(kChannels, kRate, kBits, dataBytes);
  std::fwrite(header.data(), 1, header.size(), out);
  const std::vector<char> second = secondOfTone(toneHz);
  for (uint64_t left = dataBytes; left > 0;) {
    const std::size_t now = left < second.size() ? static_cast<std::size_t>(left) : second.size();
    std::fwrite(second.data(), 1, now, out);
    left -= now;
  }
  if (std::ferror(out) != 0 || std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
