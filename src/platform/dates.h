// Conversions between the 1904-based UTCDateTime and POSIX times.
#pragma once

#include <ctime>

#include "platform/types.h"

// Seconds between 1904-01-01 00:00:00 UTC and the POSIX epoch.
constexpr long long kSecondsFrom1904To1970 = 2082844800LL;

// A POSIX time to a date (fraction rounded down to 1/65536 s). Times before
// 1904 or past the 48-bit range give the all-zero date.
UTCDateTime UTCDateTimeFromTimespec(const struct timespec& time);

// A date to a POSIX time; the all-zero date gives { 0, 0 } and false.
bool TimespecFromUTCDateTime(const UTCDateTime& date, struct timespec* time);

// Local seconds since 1904 (32-bit) to UTC seconds since 1904, with the local
// time zone's offset at that moment (mktime). -50 when the result does not
// fit in 32 bits or the time cannot be converted. Can be made to fail by
// FaultInjection (PlatformOp::ConvertLocalTimeToUTC).
OSErr ConvertLocalTimeToUTC(std::uint32_t localSeconds, std::uint32_t* utcSeconds);
