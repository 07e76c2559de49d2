// 64-bit file positions, so that inputs beyond 2 GiB are walked correctly.
// filePosEnd moves to the end of the file and returns that position, its size;
// -1 when the stream has no end to seek to (a pipe).
#ifndef PAIRTONE_WAVE_FILE_POS_H
#define PAIRTONE_WAVE_FILE_POS_H

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
inline int filePosSeek(FILE *stream, int64_t position) {
  return _fseeki64(stream, position, SEEK_SET);
}
inline int64_t filePosTell(FILE *stream) { return _ftelli64(stream); }
inline int64_t filePosEnd(FILE *stream) {
  return _fseeki64(stream, 0, SEEK_END) == 0 ? _ftelli64(stream) : -1;
}
#else
#include <sys/types.h>
inline int filePosSeek(FILE *stream, int64_t position) {
  return fseeko(stream, static_cast<off_t>(position), SEEK_SET);
}
inline int64_t filePosTell(FILE *stream) { return ftello(stream); }
inline int64_t filePosEnd(FILE *stream) {
  return fseeko(stream, 0, SEEK_END) == 0 ? ftello(stream) : -1;
}
#endif

#endif
