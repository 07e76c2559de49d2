// The input reader: opens one input, checks it, walks and reports its chunks.
#ifndef PAIRTONE_WAVE_WAV_READ_H
#define PAIRTONE_WAVE_WAV_READ_H

#include "file_name.h"
#include "wav_format.h"

// Reads, reports and checks the input `name` into `info`. Returns 0 or -1.
int wavFileRead(const FileName *name, WavInfo *info);

#endif
