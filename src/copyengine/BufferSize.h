// Size of the copy buffer from the volumes' speed. Faster volumes (more
// negative speed grades) get larger buffers; without speed information the
// buffer is 262,144 bytes.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Buffer size for the volume parameters that the platform filled
// (actualCount bytes of them): 17 bytes or fewer, or a grade above 0, mean no
// speed information.
std::uint32_t CalcBufferSizeForVol(const VolParmsInfo* volParms, std::uint32_t actualCount);

// Buffer size for a speed (0 = no information): 262,144 for 0, else speed / 4,
// cut down to a multiple of 512 and kept within [1024, 2097152].
std::uint32_t BufferSizeForVolSpeed(std::uint32_t volumeSpeed);
