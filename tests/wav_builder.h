// Builds WAVE files byte by byte, so every fixture is made by the tests.
#ifndef PAIRTONE_TESTS_WAV_BUILDER_H
#define PAIRTONE_TESTS_WAV_BUILDER_H

#include <cstdint>
#include <string>

namespace wavtest {

std::string le16(uint16_t value);
std::string le32(uint32_t value);

// A chunk header declaring `declaredSize`, then `body` as it is (no pad byte).
std::string chunk(const std::string &id, uint32_t declaredSize, const std::string &body);
// A chunk whose declared size is its body's length.
std::string chunk(const std::string &id, const std::string &body);

// The 16 format bytes, every field as given.
std::string fmtBody(uint16_t formatTag, uint16_t channels, uint32_t sampleRate,
                    uint32_t bytesPerSec, uint16_t blockAlign, uint16_t bitsPerSample);
// A consistent PCM "fmt " chunk.
std::string pcmFmtChunk(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample);

// Subformat GUIDs of WAVE_FORMAT_EXTENSIBLE, 16 bytes as they lie on disk:
// PCM (00000001-0000-0010-8000-00AA00389B71) and IEEE float (00000003-...).
std::string pcmSubFormat();
std::string floatSubFormat();

// A 40-byte WAVE_FORMAT_EXTENSIBLE "fmt " body: the 16 format bytes with tag
// 0xFFFE, extension size 22, valid bits per sample, channel mask, subformat.
std::string extensibleFmtBody(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                              uint16_t validBits, const std::string &subFormat);
// A consistent extensible "fmt " chunk of PCM, every bit of a sample valid.
std::string extensibleFmtChunk(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample);

// "RIFF", a RIFF size that matches, "WAVE", then the chunks.
std::string riff(const std::string &chunks);
// A plain PCM file: "fmt " then "data".
std::string pcmWav(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                   const std::string &data);

// The 44-byte header of a plain PCM file declaring `dataSize` data bytes.
std::string wavHeader(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                      uint32_t dataSize);

// `data` without its trailing partial frame.
std::string wholeFrames(const std::string &data, std::size_t frameSize);

// `length` bytes of a deterministic pattern that differs with `seed`.
std::string samples(std::size_t length, unsigned seed);

void fileWrite(const std::string &path, const std::string &bytes);
std::string fileRead(const std::string &path);
// `head`, then `holeSize` bytes that take no disk space (they read as zeros),
// then `tail`: large inputs at no cost.
void sparseFileWrite(const std::string &path, const std::string &head, uint64_t holeSize,
                     const std::string &tail);

} // namespace wavtest

#endif
