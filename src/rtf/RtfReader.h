// RTF reader for the installer's licence page.
//
// Turns the bytes of a Rich Text Format document into an RtfDocument
// (paragraphs of formatted runs: bold, italic, underline, size, colour).
// It understands groups, the font and colour tables, \uN with \ucN fallback
// skipping, \'hh bytes in the document's or the font's code page (\ansicpg,
// \fcharset, \cpg), paragraph and line breaks, tabs and the common special
// characters; it skips the style sheet, the info group, pictures, headers and
// footers and every "{\*\...}" destination it does not know.
//
// Hostile input is safe: the input size, the group nesting depth and the
// number of paragraphs, runs, fonts and colours are limited (Limits), the
// parser keeps its group stack on the heap and never recurses, and every
// malformed construct (unbalanced braces, cut-off escapes, huge numbers) has a
// defined, harmless reading. Nothing throws.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "rtf/RtfDocument.h"

class RtfReader {
  public:
    enum class Status {
        Ok,          // the document was read (missing closing braces are tolerated)
        CannotRead,  // the file is missing, not a regular file, or a read failed
        NotRtf,      // the bytes do not start with "{\rtf"
        TooDeep,     // groups nest deeper than Limits::maxGroupDepth
        TooLarge,    // the input or the document exceeds a size limit
    };

    struct Limits {
        std::size_t maxInputBytes = 16 * 1024 * 1024;
        std::size_t maxGroupDepth = 256;
        // Paragraphs + runs + font-table and colour-table entries.
        std::size_t maxElements = 1024 * 1024;
    };

    RtfReader() = default;
    explicit RtfReader(const Limits& limits) : m_limits(limits) {}

    // Reads an RTF document held in memory. On any status but Ok the document
    // is left empty: a licence is shown whole or not at all.
    Status Parse(std::string_view rtf, RtfDocument& document) const;

    // Reads the document at path: an RTF file, or an RTFD folder (a folder of
    // that name holding the text as "TXT.rtf"). Same result rules as Parse.
    Status ReadFile(const std::string& path, RtfDocument& document) const;

    static const char* StatusName(Status status);

  private:
    Limits m_limits;
};
