#include <cstring>

#include "wav_join.h"
#include "wave/file_pos.h"

namespace {

void idPut(unsigned char *bytes, const char *id) { std::memcpy(bytes, id, 4); }

void headerFill(WavHeader *header, const WavInfo *info) {
  const uint16_t bytesPerSample = info->bitsPerSample / 8;
  unsigned char *bytes = header->bytes;
  idPut(bytes, "RIFF");
  wavLe32Write(bytes + 4, info->dataLength + kWavHeaderBytesInRiffSize);
  idPut(bytes + 8, "WAVE");
  idPut(bytes + 12, "fmt ");
  wavLe32Write(bytes + 16, 16);
  wavLe16Write(bytes + 20, kFormatTagPcm);
  wavLe16Write(bytes + 22, info->channels);
  wavLe32Write(bytes + 24, info->sampleRate);
  wavLe32Write(bytes + 28, uint32_t{bytesPerSample} * info->channels * info->sampleRate);
  wavLe16Write(bytes + 32, static_cast<uint16_t>(bytesPerSample * info->channels));
  wavLe16Write(bytes + 34, info->bitsPerSample);
  idPut(bytes + 36, "data");
  wavLe32Write(bytes + 40, info->dataLength);
}

} // namespace

int32_t wavHeaderWrite(FILE *output, const WavInfo info[2]) {
  WavHeader header;
  headerFill(&header, &info[0]);
  std::fwrite(header.bytes, sizeof header.bytes, 1, output);
  return static_cast<int32_t>(filePosTell(output));
}
