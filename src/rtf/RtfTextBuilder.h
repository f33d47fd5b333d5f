// Collects the RTF reader's text into paragraphs of runs.
//
// Text arrives as bytes in a code page (from literal text and \'hh) or as
// UTF-16 code units (from \uN and special characters). Bytes are held back
// until the code page or format changes, so that a double-byte character
// written as two \'hh escapes is decoded as one. Every code unit is cleaned
// on its way in (see RtfRun for what a run may hold), and runs of the same
// format are merged.
//
// The builder also keeps the element budget of the reader: each paragraph and
// run, and each table entry the parser reports through Spend(), uses one
// element; once the budget is gone every call answers false.
#pragma once

#include <cstddef>
#include <string>

#include "rtf/RtfCodePageDecoder.h"
#include "rtf/RtfDocument.h"

class RtfTextBuilder {
  public:
    RtfTextBuilder(RtfCodePageDecoder& decoder, std::size_t maxElements);

    bool AddByte(unsigned char byte, int codePage, const RtfCharFormat& format);
    bool AddUnit(char16_t unit, const RtfCharFormat& format);
    // Ends the paragraph; markFormat is the format in effect at its end.
    bool EndParagraph(const RtfCharFormat& markFormat);

    // Uses one element of the budget; false when none is left.
    bool Spend();

    // Ends the text and hands the paragraphs over. A last paragraph without
    // its own end takes the format of its last run as its mark format.
    bool Finish(RtfDocument& document);

  private:
    bool FlushBytes();
    bool PutUnit(char16_t unit, const RtfCharFormat& format);
    bool PutPendingHighAsReplacement();
    bool Append(std::u16string_view units, const RtfCharFormat& format);

    RtfCodePageDecoder& m_decoder;
    std::size_t m_budget;
    RtfDocument m_document;
    RtfParagraph m_paragraph;
    std::string m_bytes;
    int m_bytesCodePage = 0;
    RtfCharFormat m_bytesFormat;
    char16_t m_highSurrogate = 0;
    RtfCharFormat m_highFormat;
};
