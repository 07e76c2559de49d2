// pairtone: joins two PCM WAVE files into one.
#include <cstdio>

#include "join/wav_join.h"
#include "usage.h"
#include "wave/wav_read.h"

namespace {

// Joins the two read inputs into `outputName`; argv gives the closing line.
int joinPhase(const InputNames *names, const char *outputName, WavInfo info[2]) {
  firstDataLength = info[0].dataLength;
  info[0].dataLength = static_cast<uint32_t>(wavJoinedDataLength(info));
  if (wavCombine(names, outputName, info) != 0) {
    return -1;
  }
  std::printf("\n[%s] と [%s] を [%s] へ合成しました.\n", names->name[0], names->name[1],
              outputName);
  return 0;
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc != 4) {
    usagePrint();
    return -1;
  }
  // Reports and errors share one console; without buffering their lines keep
  // their order when both streams go to one file or pipe.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const InputNames names = {{argv[1], argv[2]}};
  WavInfo info[2];
  if (wavFileRead(names.name[0], &info[0]) != 0 || wavFileRead(names.name[1], &info[1]) != 0) {
    return -1;
  }
  return joinPhase(&names, argv[3], info);
}
