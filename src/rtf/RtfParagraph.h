// One paragraph of an RTF document: its runs in reading order. Runs are never
// empty, and two neighbouring runs never have the same format. A paragraph
// with no runs is an empty line.
#pragma once

#include <vector>

#include "rtf/RtfRun.h"

struct RtfParagraph {
    std::vector<RtfRun> runs;
};
