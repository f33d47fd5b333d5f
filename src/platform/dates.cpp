// 1904-based dates: 48-bit seconds and 1/65536 fractions.
#include "platform/dates.h"

#include <climits>

#include "platform/fault_injection.h"

namespace {
constexpr long long kMax48 = (1LL << 48) - 1;
constexpr long long kNanos = 1000000000LL;
}  // namespace

UTCDateTime UTCDateTimeFromTimespec(const struct timespec& time) {
    UTCDateTime date{};
    long long seconds = static_cast<long long>(time.tv_sec) + kSecondsFrom1904To1970;
    if (seconds < 0 || seconds > kMax48 || time.tv_nsec < 0 || time.tv_nsec >= kNanos) {
        return date;
    }
    date.highSeconds = static_cast<std::uint16_t>(seconds >> 32);
    date.lowSeconds = static_cast<std::uint32_t>(seconds & 0xFFFFFFFFLL);
    date.fraction = static_cast<std::uint16_t>((time.tv_nsec * 65536LL) / kNanos);
    return date;
}

bool TimespecFromUTCDateTime(const UTCDateTime& date, struct timespec* time) {
    if (time == nullptr) {
        return false;
    }
    time->tv_sec = 0;
    time->tv_nsec = 0;
    if (date.highSeconds == 0 && date.lowSeconds == 0 && date.fraction == 0) {
        return false;
    }
    long long seconds = (static_cast<long long>(date.highSeconds) << 32) | date.lowSeconds;
    time->tv_sec = static_cast<time_t>(seconds - kSecondsFrom1904To1970);
    // Rounded up, so that converting back gives the same fraction.
    time->tv_nsec = static_cast<long>((date.fraction * kNanos + 65535) / 65536);
    return true;
}

OSErr ConvertLocalTimeToUTC(std::uint32_t localSeconds, std::uint32_t* utcSeconds) {
    OSErr fault = FaultInjection::Check(PlatformOp::ConvertLocalTimeToUTC);
    if (fault != kNoErr) {
        return fault;
    }
    if (utcSeconds == nullptr) {
        return kErrParam;
    }
    // Read the local wall-clock fields, then let mktime find the UTC moment.
    time_t wall =
        static_cast<time_t>(static_cast<long long>(localSeconds) - kSecondsFrom1904To1970);
    struct tm fields {};
    if (gmtime_r(&wall, &fields) == nullptr) {
        return kErrParam;
    }
    fields.tm_isdst = -1;
    time_t utc = mktime(&fields);
    if (utc == static_cast<time_t>(-1) && !(fields.tm_year == 69 && fields.tm_mday == 31)) {
        return kErrParam;
    }
    long long result = static_cast<long long>(utc) + kSecondsFrom1904To1970;
    if (result < 0 || result > static_cast<long long>(UINT32_MAX)) {
        return kErrParam;
    }
    *utcSeconds = static_cast<std::uint32_t>(result);
    return kNoErr;
}
