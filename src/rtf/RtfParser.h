// The state machine behind RtfReader (internal to the component).
//
// One pass over the bytes, no recursion: the group stack is a vector whose
// depth the limits cap, and the content of a skipped group is only counted
// (a nesting counter), never stacked. Text goes to an RtfTextBuilder.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "rtf/RtfCodePageDecoder.h"
#include "rtf/RtfControlWords.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfTextBuilder.h"

class RtfParser {
  public:
    RtfParser(std::string_view input, const RtfReader::Limits& limits);

    RtfReader::Status Run(RtfDocument& document);

  private:
    enum class Destination {
        Text,                // shown text
        Skip,                // content ignored
        Attachment,          // content ignored; its stand-in character after it too
        FontTable,           // \fonttbl entries
        ColorTable,          // \colortbl entries
        UnicodeAlternative,  // \upr: text ignored until \ud
    };

    struct GroupState {
        Destination destination = Destination::Text;
        RtfCharFormat format;
        std::optional<int> font;  // none: the default font (\deff)
        int unicodeSkip = 1;      // \uc: fallback characters after each \uN
    };

    struct FontInfo {
        int charset = -1;  // \fcharset, -1 when not given
        int codePage = 0;  // \cpg, 0 when not given
    };

    void Step();
    void OpenGroup();
    void CloseGroup();
    void ControlSequence();
    void ControlSymbol(unsigned char symbol);
    void ControlWord();
    bool ParseParameter(int& value);
    void HexByte();
    void SkipBinary(bool hasParam, int count);
    void Dispatch(const RtfControlWords::Entry& entry, bool hasParam, int param, bool ignorable);
    bool SetDocumentWord(RtfControlWords::Word word, bool hasParam, int param);
    void FontTableWord(RtfControlWords::Word word, int param);
    void ColorTableWord(RtfControlWords::Word word, int param);
    bool FormatWord(RtfControlWords::Word word, bool hasParam, int param);
    void TextWord(const RtfControlWords::Entry& entry, bool hasParam, int param);
    void TextByte(unsigned char byte);
    void EndColorEntry();

    GroupState& Current() { return m_stack.back(); }
    bool IsSkipping() const;
    bool ConsumeFallback();
    int CurrentCodePage() const;
    std::optional<RtfColor> ColorAt(int index) const;
    void AddByte(unsigned char byte);
    void AddUnit(char16_t unit);
    void AddCodePoint(int value);
    void EndParagraph();
    void Spend();
    void Fail(RtfReader::Status status);

    std::string_view m_input;
    std::size_t m_pos = 0;
    RtfReader::Limits m_limits;
    RtfReader::Status m_status = RtfReader::Status::Ok;
    bool m_done = false;

    std::vector<GroupState> m_stack;
    std::size_t m_skipNesting = 0;  // open groups inside the innermost skipped group
    bool m_ignorable = false;       // "\*" seen: an unknown destination word follows
    int m_fallback = 0;             // characters still to skip after a \uN

    int m_documentCodePage = RtfCodePageDecoder::kWestern;
    int m_defaultFont = 0;
    std::map<int, FontInfo> m_fonts;
    std::optional<int> m_tableFont;  // the font-table entry being read
    std::vector<std::optional<RtfColor>> m_colors;
    RtfColor m_colorEntry;
    bool m_colorEntryHasValue = false;

    RtfCodePageDecoder m_decoder;
    RtfTextBuilder m_builder;
};
