// UTF-8/UTF-16 names and 1904-based dates.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/dates.h"
#include "platform/names.h"

namespace {

struct Utf8Case {
    const char* label;
    std::string text;
    long units;  // -1: invalid
};

TEST(Names, Utf8ToUtf16LengthAndRoundTrip) {
    const Utf8Case cases[] = {
        {"ascii", "report.txt", 10},
        {"empty", "", 0},
        {"two-byte", "caf\xC3\xA9", 4},
        {"three-byte", "\xE6\x97\xA5\xE6\x9C\xAC", 2},
        {"four-byte needs a surrogate pair", "\xF0\x9F\x98\x80", 2},
        {"overlong slash", "\xC0\xAF", -1},
        {"encoded surrogate", "\xED\xA0\x80", -1},
        {"past U+10FFFF", "\xF4\x90\x80\x80", -1},
        {"cut-off sequence", "ab\xE6\x97", -1},
        {"stray continuation", "\x80", -1},
        {"latin-1 byte", "caf\xE9", -1},
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Utf8ToUtf16Length(c.text.data(), c.text.size()), c.units);
        UniChar units[16];
        long n = Utf8ToUtf16(c.text.data(), c.text.size(), units, 16);
        EXPECT_EQ(n, c.units);
        if (n >= 0) {
            char back[64];
            ASSERT_EQ(Utf16ToUtf8(units, static_cast<std::size_t>(n), back, sizeof back),
                      static_cast<long>(c.text.size()));
            EXPECT_EQ(std::string(back), c.text);
        }
    }
}

TEST(Names, Utf16ToUtf8RefusesUnpairedSurrogatesAndSmallBuffers) {
    const UniChar lone_high[] = {'a', 0xD800};
    const UniChar lone_low[] = {0xDC00, 'a'};
    char out[16];
    EXPECT_EQ(Utf16ToUtf8(lone_high, 2, out, sizeof out), -1);
    EXPECT_EQ(Utf16ToUtf8(lone_low, 2, out, sizeof out), -1);
    const UniChar abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(Utf16ToUtf8(abc, 3, out, 3), -1) << "needs room for the NUL";
    EXPECT_EQ(Utf16ToUtf8(abc, 3, out, 4), 3);
    EXPECT_STREQ(out, "abc");
}

TEST(Names, Utf8ToUtf16RefusesWhatDoesNotFit) {
    UniChar out[1];
    EXPECT_EQ(Utf8ToUtf16("ab", 2, out, 1), -1);
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80", 4, out, 1), -1);
}

TEST(Names, HFSUniStr255Limits) {
    HFSUniStr255 name{};
    EXPECT_EQ(HFSUniStr255FromUtf8(std::string(255, 'x').c_str(), &name), kNoErr);
    EXPECT_EQ(name.length, 255);
    EXPECT_EQ(HFSUniStr255FromUtf8(std::string(256, 'x').c_str(), &name), kErrBadName);
    EXPECT_EQ(HFSUniStr255FromUtf8("bad\xFF", &name), kErrParam);
    EXPECT_EQ(HFSUniStr255FromUtf8(nullptr, &name), kErrParam);

    ASSERT_EQ(HFSUniStr255FromUtf8("\xC3\xA9t\xC3\xA9", &name), kNoErr);
    EXPECT_EQ(name.length, 3);
    char small[4];
    EXPECT_EQ(HFSUniStr255ToUtf8(&name, small, sizeof small), kErrParam);
    char out[16];
    EXPECT_EQ(HFSUniStr255ToUtf8(&name, out, sizeof out), kNoErr);
    EXPECT_STREQ(out, "\xC3\xA9t\xC3\xA9");
}

struct DateCase {
    const char* label;
    struct timespec time;
    UTCDateTime date;
};

TEST(Dates, TimespecConversions) {
    const DateCase cases[] = {
        {"POSIX epoch", {0, 0}, {0, 0x7C25B080u, 0}},
        {"half a second", {0, 500000000}, {0, 0x7C25B080u, 0x8000}},
        {"1904 itself", {-2082844800LL, 0}, {0, 0, 0}},
        {"past 32 bits", {0x100000005LL - 2082844800LL, 0}, {1, 5, 0}},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.label);
        UTCDateTime date = UTCDateTimeFromTimespec(c.time);
        EXPECT_EQ(date.highSeconds, c.date.highSeconds);
        EXPECT_EQ(date.lowSeconds, c.date.lowSeconds);
        EXPECT_EQ(date.fraction, c.date.fraction);
    }
    EXPECT_EQ(UTCDateTimeFromTimespec({-2082844801LL, 0}).lowSeconds, 0u) << "before 1904";
}

TEST(Dates, FractionsSurviveTheRoundTrip) {
    for (std::uint32_t fraction : {0u, 1u, 2u, 12345u, 65535u}) {
        UTCDateTime date{0, 0x80000000u, static_cast<std::uint16_t>(fraction)};
        struct timespec time;
        ASSERT_TRUE(TimespecFromUTCDateTime(date, &time));
        UTCDateTime back = UTCDateTimeFromTimespec(time);
        EXPECT_EQ(back.lowSeconds, date.lowSeconds);
        EXPECT_EQ(back.fraction, date.fraction) << fraction;
    }
    struct timespec time;
    EXPECT_FALSE(TimespecFromUTCDateTime(UTCDateTime{}, &time)) << "zero means no date";
}

TEST(Dates, LocalTimeToUtcFollowsTheTimeZone) {
    const char* old = getenv("TZ");
    std::string saved = old != nullptr ? old : "";
    setenv("TZ", "UTC-2", 1);  // two hours east of UTC, no summer time
    tzset();
    std::uint32_t utc = 0;
    EXPECT_EQ(ConvertLocalTimeToUTC(0x4F3AFDB0u, &utc), kNoErr);
    EXPECT_EQ(utc, 0x4F3AFDB0u - 7200u);
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(ConvertLocalTimeToUTC(0x4F3AFDB0u, &utc), kNoErr);
    EXPECT_EQ(utc, 0x4F3AFDB0u);
    EXPECT_EQ(ConvertLocalTimeToUTC(0, nullptr), kErrParam);
    if (old != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace
