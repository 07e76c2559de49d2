#include "wav_builder.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace wavtest {

std::string le16(uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string le32(uint32_t value) {
  return le16(static_cast<uint16_t>(value & 0xFFFF)) + le16(static_cast<uint16_t>(value >> 16));
}

std::string chunk(const std::string &id, uint32_t declaredSize, const std::string &body) {
  return id.substr(0, 4) + le32(declaredSize) + body;
}

std::string chunk(const std::string &id, const std::string &body) {
  return chunk(id, static_cast<uint32_t>(body.size()), body);
}

std::string fmtBody(uint16_t formatTag, uint16_t channels, uint32_t sampleRate,
                    uint32_t bytesPerSec, uint16_t blockAlign, uint16_t bitsPerSample) {
  return le16(formatTag) + le16(channels) + le32(sampleRate) + le32(bytesPerSec) +
         le16(blockAlign) + le16(bitsPerSample);
}

std::string pcmFmtChunk(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample) {
  const uint16_t blockAlign = static_cast<uint16_t>(bitsPerSample / 8 * channels);
  return chunk(
      "fmt ", fmtBody(1, channels, sampleRate, sampleRate * blockAlign, blockAlign, bitsPerSample));
}

std::string pcmSubFormat() {
  return std::string("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 16);
}

std::string floatSubFormat() { return "\x03" + pcmSubFormat().substr(1); }

std::string extensibleFmtBody(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                              uint16_t validBits, const std::string &subFormat) {
  const uint16_t blockAlign = static_cast<uint16_t>(bitsPerSample / 8 * channels);
  const uint32_t channelMask = channels >= 32 ? 0xFFFFFFFFU : (1U << channels) - 1;
  return fmtBody(0xFFFE, channels, sampleRate, sampleRate * blockAlign, blockAlign, bitsPerSample) +
         le16(22) + le16(validBits) + le32(channelMask) + subFormat;
}

std::string extensibleFmtChunk(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample) {
  return chunk("fmt ", extensibleFmtBody(channels, sampleRate, bitsPerSample, bitsPerSample,
                                         pcmSubFormat()));
}

std::string riff(const std::string &chunks) {
  return "RIFF" + le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

std::string pcmWav(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                   const std::string &data) {
  return riff(pcmFmtChunk(channels, sampleRate, bitsPerSample) + chunk("data", data));
}

std::string wavHeader(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                      uint32_t dataSize) {
  return "RIFF" + le32(dataSize + 36) + "WAVE" + pcmFmtChunk(channels, sampleRate, bitsPerSample) +
         chunk("data", dataSize, "");
}

std::string wholeFrames(const std::string &data, std::size_t frameSize) {
  return data.substr(0, data.size() / frameSize * frameSize);
}

std::string samples(std::size_t length, unsigned seed) {
  std::string bytes(length, '\0');
  uint32_t state = 2463534242U ^ (seed * 2654435761U);
  for (char &byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

void fileWrite(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string fileRead(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void sparseFileWrite(const std::string &path, const std::string &head, uint64_t holeSize,
                     const std::string &tail) {
  fileWrite(path, head);
  std::filesystem::resize_file(path, head.size() + holeSize);
  std::ofstream(path, std::ios::binary | std::ios::app) << tail;
}

} // namespace wavtest
