// The text of an RTF document as the reader keeps it: a list of paragraphs of
// formatted runs (see RtfParagraph and RtfRun). Page layout, fonts by name,
// paragraph indents, tables and pictures are not kept.
#pragma once

#include <vector>

#include "rtf/RtfParagraph.h"

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;
};
