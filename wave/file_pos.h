// 64-bit file positions, so that inputs beyond 2 GiB are walked correctly.
#ifndef PAIRTONE_WAVE_FILE_POS_H
#define PAIRTONE_WAVE_FILE_POS_H

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
inline int filePosSeek(FILE *stream, int64_t position) {
  return _fseeki64(stream, position, SEEK_SET);
}
inline int64_t filePosTell(FILE *stream) { return _ftelli64(stream); }
#else
#include <sys/types.h>
inline int filePosSeek(FILE *stream, int64_t position) {
  return fseeko(stream, static_cast<off_t>(position), SEEK_SET);
}
inline int64_t filePosTell(FILE *stream) { return ftello(stream); }
#endif

#endif
