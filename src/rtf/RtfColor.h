// One colour of an RTF document's colour table, as 8-bit red, green, blue.
#pragma once

#include <cstdint>

struct RtfColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const RtfColor&) const = default;
};
