// A stretch of text inside one paragraph whose characters share one format.
//
// The text is UTF-16 and always well formed: surrogates come in pairs, and it
// holds no paragraph breaks and no control characters other than TAB (U+0009)
// and LINE SEPARATOR (U+2028), which stands for a line break inside the
// paragraph (\line).
#pragma once

#include <string>

#include "rtf/RtfCharFormat.h"

struct RtfRun {
    std::u16string text;
    RtfCharFormat format;
};
