// The input reader: opens one input, checks it, walks and reports its chunks.
#ifndef PAIRTONE_WAVE_WAV_READ_H
#define PAIRTONE_WAVE_WAV_READ_H

#include "wav_format.h"

// Reads, reports and checks the input `name` into `info`. Returns 0 or -1.
int wavFileRead(const char *name, WavInfo *info);

#endif
