#include "copyengine/BufferSize.h"

namespace {

constexpr std::uint32_t kDefaultBufferSize = 262144;
constexpr std::uint32_t kMinBufferSize = 1024;
constexpr std::uint32_t kMaxBufferSize = 2097152;
constexpr std::uint32_t kVolParmsWithGrade = 18;  // fewer bytes carry no speed grade

}  // namespace

std::uint32_t CalcBufferSizeForVol(const VolParmsInfo* volParms, std::uint32_t actualCount) {
    std::uint32_t speed = 0;
    if (volParms != nullptr && actualCount >= kVolParmsWithGrade && volParms->volumeGrade <= 0) {
        speed = static_cast<std::uint32_t>(-static_cast<std::int64_t>(volParms->volumeGrade));
    }
    return BufferSizeForVolSpeed(speed);
}

std::uint32_t BufferSizeForVolSpeed(std::uint32_t volumeSpeed) {
    std::uint32_t size = volumeSpeed == 0 ? kDefaultBufferSize : volumeSpeed / 4;
    size &= ~std::uint32_t{511};
    if (size < kMinBufferSize) {
        return kMinBufferSize;
    }
    if (size > kMaxBufferSize) {
        return kMaxBufferSize;
    }
    return size;
}
