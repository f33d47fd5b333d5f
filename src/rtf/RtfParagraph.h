// One paragraph of an RTF document: its runs in reading order. Runs are never
// empty, and two neighbouring runs never have the same format. A paragraph
// with no runs is an empty line; markFormat, the format in effect where the
// paragraph ends, gives it its height.
#pragma once

#include <vector>

#include "rtf/RtfRun.h"

struct RtfParagraph {
    std::vector<RtfRun> runs;
    RtfCharFormat markFormat;
};
