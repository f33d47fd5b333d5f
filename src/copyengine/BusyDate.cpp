#include "copyengine/BusyDate.h"

#include <mutex>

#include "platform/dates.h"

namespace {

// 1946-02-14 00:34:56, in local seconds since 1904-01-01 00:00:00.
constexpr std::uint32_t kBusyLocalSeconds = 0x4F3AFDB0;
// Low seconds of a cache that has not been filled yet.
constexpr std::uint32_t kNotComputed = 0xDEADBEEF;

std::mutex gBusyDateMutex;
UTCDateTime gBusyDate{0, kNotComputed, 0};

}  // namespace

OSErr GetMagicBusyCreateDate(UTCDateTime* date) {
    if (date == nullptr) {
        return kErrParam;
    }
    std::lock_guard<std::mutex> lock(gBusyDateMutex);
    if (gBusyDate.lowSeconds == kNotComputed) {
        std::uint32_t utcSeconds = 0;
        const OSErr status = ConvertLocalTimeToUTC(kBusyLocalSeconds, &utcSeconds);
        if (status != kNoErr) {
            return status;
        }
        gBusyDate.lowSeconds = utcSeconds;
    }
    *date = gBusyDate;
    return kNoErr;
}
