// The input reader: opens one input, checks it, walks and reports its chunks.
#ifndef PAIRTONE_WAVE_WAV_READ_H
#define PAIRTONE_WAVE_WAV_READ_H

#include <cstdio>

#include "wav_format.h"

// Reads, reports and checks the input `name` into `info`. Returns 0 or -1.
int wavFileRead(const char *name, WavInfo *info);

// Reads and reports the 16 format bytes at the stream's position into `fmt`.
// Returns 0 when the format is one the tool can join, -1 otherwise.
int wavFmtRead(FILE *stream, WavFmt *fmt);

#endif
