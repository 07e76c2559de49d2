// Joining two read inputs: the compatibility check, the output header and the
// copy of the sample data.
#ifndef PAIRTONE_JOIN_WAV_JOIN_H
#define PAIRTONE_JOIN_WAV_JOIN_H

#include <cstdint>
#include <cstdio>

#include "wave/wav_format.h"

// The first input's own data length. wavFilesJoin sets it, before it puts the
// joined length in info[0].dataLength for the header; wavJoinedDataLength reads
// it, and the data writer copies it back into info[0].dataLength.
extern uint32_t firstDataLength;

// The join phase, once both inputs are read: joins them into the file
// `outputName` and prints the closing line. Returns 0 when the output is
// complete, -1 after the failure was reported.
int wavFilesJoin(const InputNames *names, const FileName *outputName, WavInfo info[2]);

// Bytes of one frame: one sample for every channel.
uint32_t wavFrameSize(const WavInfo *info);

// Whole-frame bytes of both inputs together: firstDataLength and
// info[1].dataLength, each rounded down to whole frames of info[0]'s format.
uint64_t wavJoinedDataLength(const WavInfo info[2]);

// Returns 0 when the two inputs can be joined into one output, -1 otherwise.
int wavFormatCheck(const WavInfo info[2]);

// Joins the two inputs into the file `outputName`. info[0].dataLength holds
// the joined length. Returns 0 when the output is complete, -1 otherwise.
int wavCombine(const InputNames *names, const FileName *outputName, WavInfo info[2]);

// Writes the 44-byte header for info[0] and returns the stream position after it.
int32_t wavHeaderWrite(FILE *output, const WavInfo info[2]);

// Copies the whole frames of both inputs, first then second, behind the header.
int wavDataWrite(FILE *inputs[2], FILE *output, WavInfo info[2]);

#endif
