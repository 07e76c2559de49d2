#include <cstddef>

#include "wav_join.h"
#include "wave/file_pos.h"

namespace {

// One static block, so the copy costs a few large reads and writes and no heap.
constexpr std::size_t kCopyBufferSize = std::size_t{1} << 20;
unsigned char copyBuffer[kCopyBufferSize];

// Copies `frameCount` frames. When the input ends early, the whole frames read
// before its end are written and the copy fails, as a frame-by-frame copy would.
int framesCopy(FILE *input, FILE *output, uint64_t frameCount, uint32_t frameSize) {
  const uint64_t blockSize = kCopyBufferSize / frameSize * frameSize;
  uint64_t remaining = frameCount * frameSize;
  while (remaining > 0) {
    const std::size_t wanted =
        static_cast<std::size_t>(remaining < blockSize ? remaining : blockSize);
    const std::size_t got = std::fread(copyBuffer, 1, wanted, input);
    const std::size_t whole = got / frameSize * frameSize;
    if (std::fwrite(copyBuffer, 1, whole, output) != whole || got != wanted) {
      return -1;
    }
    remaining -= wanted;
  }
  return 0;
}

int wavDataCopy(FILE *inputs[2], FILE *output, WavInfo info[2]) {
  const uint32_t frameSize = wavFrameSize(&info[0]);
  info[0].dataLength = firstDataLength;
  if (frameSize == 0) {
    return -1;
  }
  for (int i = 0; i < 2; ++i) {
    if (framesCopy(inputs[i], output, info[i].dataLength / frameSize, frameSize) != 0) {
      return -1;
    }
  }
  return 0;
}

} // namespace

int wavDataWrite(FILE *inputs[2], FILE *output, WavInfo info[2]) {
  filePosSeek(inputs[0], info[0].dataOffset);
  filePosSeek(inputs[1], info[1].dataOffset);
  return wavDataCopy(inputs, output, info);
}
