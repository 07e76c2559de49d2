// pairtone: joins two PCM WAVE files into one.
#include <cstdio>

#include "join/wav_join.h"
#include "usage.h"
#include "wave/file_name.h"
#include "wave/wav_read.h"

namespace {

// The whole run, from the command line (program name included) to the exit status.
int commandRun(int argc, FileNameChar *argv[]) {
  if (argc != 4) {
    usagePrint();
    return -1;
  }
  // Reports and errors share one console; without buffering their lines keep
  // their order when both streams go to one file or pipe.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  InputNames names;
  fileNameSet(&names.name[0], argv[1]);
  fileNameSet(&names.name[1], argv[2]);
  FileName outputName;
  fileNameSet(&outputName, argv[3]);
  WavInfo info[2];
  if (wavFileRead(&names.name[0], &info[0]) != 0 || wavFileRead(&names.name[1], &info[1]) != 0) {
    return -1;
  }
  return wavFilesJoin(&names, &outputName, info);
}

} // namespace

#ifdef _WIN32
// The command line as UTF-16 (mingw: -municode): a name reaches the tool
// whole even when the ANSI code page has no form for some of its characters.
int wmain(int argc, wchar_t *argv[]) { return commandRun(argc, argv); }
#else
int main(int argc, char *argv[]) { return commandRun(argc, argv); }
#endif
