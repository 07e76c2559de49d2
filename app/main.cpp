// pairtone: joins two PCM WAVE files into one.
#include <cstdio>

#include "join/wav_join.h"
#include "usage.h"
#include "wave/wav_read.h"

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
  return wavFilesJoin(&names, argv[3], info);
}
