// The text of an RTF document as the reader keeps it: a list of paragraphs of
// formatted runs (see RtfParagraph and RtfRun). Page layout, fonts by name,
// paragraph indents, tables and pictures are not kept.
#pragma once

#include <string>
#include <vector>

#include "rtf/RtfParagraph.h"

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;

    // All text without formatting, paragraphs separated by '\n'.
    std::u16string PlainText() const {
        std::u16string text;
        for (std::size_t i = 0; i < paragraphs.size(); ++i) {
            if (i > 0) {
                text += u'\n';
            }
            for (const RtfRun& run : paragraphs[i].runs) {
                text += run.text;
            }
        }
        return text;
    }
};
