// The busy date is computed on first use and cached; a failed first
// conversion is reported and not cached. This must be the first use of the
// date in its process, so it is a test program of its own.
#include <gtest/gtest.h>

#include "copyengine/BusyDate.h"
#include "platform/fault_injection.h"

namespace {

TEST(BusyDate, AFailedFirstConversionIsReportedAndRetried) {
    UTCDateTime date{1, 2, 3};
    {
        ScopedFault fault(PlatformOp::ConvertLocalTimeToUTC, 1, -1999);
        EXPECT_EQ(GetMagicBusyCreateDate(&date), -1999);
    }
    EXPECT_EQ(date.highSeconds, 1);
    FaultInjection::StartCounting();
    ASSERT_EQ(GetMagicBusyCreateDate(&date), kNoErr);
    ASSERT_EQ(GetMagicBusyCreateDate(&date), kNoErr);
    EXPECT_EQ(FaultInjection::CallCount(PlatformOp::ConvertLocalTimeToUTC), 1u);
    FaultInjection::Reset();
    EXPECT_EQ(date.highSeconds, 0);
    EXPECT_EQ(date.fraction, 0);
    EXPECT_NE(date.lowSeconds, 0xDEADBEEFu);
}

}  // namespace
