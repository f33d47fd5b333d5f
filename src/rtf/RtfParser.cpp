#include "rtf/RtfParser.h"

#include <algorithm>
#include <climits>
#include <utility>

using Status = RtfReader::Status;
using Word = RtfControlWords::Word;

namespace {

// Font sizes above this (in half points, 1638 pt) are shown at this size.
constexpr int kMaxHalfPoints = 3276;
// The longest control word RTF allows; longer ones are unknown words.
constexpr std::size_t kMaxWordLength = 32;
constexpr char16_t kReplacement = 0xFFFD;

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool StartsAsRtf(std::string_view input, std::size_t& pos) {
    while (pos < input.size() &&
           (input[pos] == ' ' || input[pos] == '\t' || input[pos] == '\r' || input[pos] == '\n')) {
        ++pos;
    }
    return input.substr(pos).starts_with("{\\rtf");
}

}  // namespace

RtfParser::RtfParser(std::string_view input, const RtfReader::Limits& limits)
    : m_input(input), m_limits(limits), m_builder(m_decoder, limits.maxElements) {}

Status RtfParser::Run(RtfDocument& document) {
    if (!StartsAsRtf(m_input, m_pos)) {
        return Status::NotRtf;
    }
    while (m_pos < m_input.size() && !m_done && m_status == Status::Ok) {
        Step();
    }
    if (m_status != Status::Ok) {
        return m_status;
    }
    // Groups still open at the end are closed silently, as if the closing
    // braces were there.
    return m_builder.Finish(document) ? Status::Ok : Status::TooLarge;
}

void RtfParser::Fail(Status status) {
    if (m_status == Status::Ok) {
        m_status = status;
    }
}

void RtfParser::Step() {
    const char c = m_input[m_pos++];
    if (m_stack.empty() && c != '{') {
        m_done = true;
        return;
    }
    switch (c) {
        case '{':
            OpenGroup();
            break;
        case '}':
            CloseGroup();
            break;
        case '\\':
            ControlSequence();
            break;
        case '\r':
        case '\n':
            break;  // line ends in the file carry no meaning
        default:
            m_ignorable = false;
            TextByte(static_cast<unsigned char>(c));
            break;
    }
}

bool RtfParser::IsSkipping() const {
    const Destination destination = m_stack.back().destination;
    return destination == Destination::Skip || destination == Destination::Attachment;
}

void RtfParser::OpenGroup() {
    m_fallback = 0;
    m_ignorable = false;
    if (m_stack.size() + m_skipNesting >= m_limits.maxGroupDepth) {
        Fail(Status::TooDeep);
        return;
    }
    if (m_stack.empty()) {
        m_stack.emplace_back();
        return;
    }
    if (IsSkipping()) {
        ++m_skipNesting;
        return;
    }
    m_stack.push_back(m_stack.back());
}

void RtfParser::CloseGroup() {
    m_fallback = 0;
    m_ignorable = false;
    if (m_skipNesting > 0) {
        --m_skipNesting;
        return;
    }
    const Destination closed = m_stack.back().destination;
    m_stack.pop_back();
    if (m_stack.empty()) {
        m_done = true;  // the document ends with its outermost group
        return;
    }
    if (closed == Destination::Attachment) {
        m_fallback = 1;  // the character that stands for the attachment
    }
}

bool RtfParser::ConsumeFallback() {
    if (m_fallback == 0) {
        return false;
    }
    --m_fallback;
    return true;
}

void RtfParser::ControlSequence() {
    if (m_pos >= m_input.size()) {
        return;  // a backslash as the last byte means nothing
    }
    if (IsLetter(m_input[m_pos])) {
        ControlWord();
        return;
    }
    ControlSymbol(static_cast<unsigned char>(m_input[m_pos++]));
}

void RtfParser::ControlSymbol(unsigned char symbol) {
    m_ignorable = false;
    if (symbol == '\'') {
        HexByte();
        return;
    }
    if (symbol == '*') {
        m_ignorable = true;
        return;
    }
    if (Current().destination != Destination::Text || ConsumeFallback()) {
        return;
    }
    switch (symbol) {
        case '{':
        case '}':
        case '\\':
            AddByte(symbol);
            break;
        case '~':
            AddUnit(0x00A0);
            break;  // no-break space
        case '-':
            AddUnit(0x00AD);
            break;  // optional hyphen
        case '_':
            AddUnit(0x2011);
            break;  // no-break hyphen
        case '\r':
        case '\n':
            EndParagraph();
            break;  // a backslash before a line end is \par
        default:
            break;
    }
}

void RtfParser::HexByte() {
    int value = 0;
    int digits = 0;
    while (digits < 2 && m_pos < m_input.size() && HexValue(m_input[m_pos]) >= 0) {
        value = value * 16 + HexValue(m_input[m_pos]);
        ++m_pos;
        ++digits;
    }
    if (digits < 2 || Current().destination != Destination::Text || ConsumeFallback()) {
        return;  // a cut-off escape stands for nothing
    }
    AddByte(static_cast<unsigned char>(value));
}

// Reads an optional signed decimal parameter. Values beyond the int range are
// held at its ends; all digits are consumed either way.
bool RtfParser::ParseParameter(int& value) {
    bool negative = false;
    if (m_pos + 1 < m_input.size() && m_input[m_pos] == '-' && IsDigit(m_input[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos >= m_input.size() || !IsDigit(m_input[m_pos])) {
        return false;
    }
    long long magnitude = 0;
    while (m_pos < m_input.size() && IsDigit(m_input[m_pos])) {
        magnitude = std::min<long long>(magnitude * 10 + (m_input[m_pos] - '0'), INT_MAX);
        ++m_pos;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

void RtfParser::ControlWord() {
    const std::size_t start = m_pos;
    while (m_pos < m_input.size() && IsLetter(m_input[m_pos])) {
        ++m_pos;
    }
    const std::string_view name = m_input.substr(start, m_pos - start);
    int param = 0;
    const bool hasParam = ParseParameter(param);
    if (m_pos < m_input.size() && m_input[m_pos] == ' ') {
        ++m_pos;  // the delimiting space belongs to the word
    }
    const bool ignorable = std::exchange(m_ignorable, false);
    const RtfControlWords::Entry entry = name.size() <= kMaxWordLength
                                             ? RtfControlWords::Lookup(name)
                                             : RtfControlWords::Entry{name, Word::Unknown, 0};
    if (entry.word == Word::Binary) {
        SkipBinary(hasParam, param);
        if (!IsSkipping() && Current().destination == Destination::Text) {
            ConsumeFallback();
        }
        return;
    }
    if (!IsSkipping()) {
        Dispatch(entry, hasParam, param, ignorable);
    }
}

// \binN: N raw bytes follow that are data, not RTF.
void RtfParser::SkipBinary(bool hasParam, int count) {
    if (!hasParam || count <= 0) {
        return;
    }
    const std::size_t left = m_input.size() - m_pos;
    m_pos += std::min(left, static_cast<std::size_t>(count));
}

void RtfParser::Dispatch(const RtfControlWords::Entry& entry, bool hasParam, int param,
                         bool ignorable) {
    GroupState& state = Current();
    switch (entry.word) {
        case Word::Unknown:
            if (ignorable) {
                state.destination = Destination::Skip;
            }
            return;
        case Word::SkipDestination:
            state.destination = Destination::Skip;
            return;
        case Word::Attachment:
            state.destination = Destination::Attachment;
            return;
        case Word::FontTable:
            state.destination = Destination::FontTable;
            m_tableFont.reset();
            return;
        case Word::ColorTable:
            state.destination = Destination::ColorTable;
            m_colorEntry = RtfColor{};
            m_colorEntryHasValue = false;
            return;
        case Word::UnicodeAlternative:
            state.destination = Destination::UnicodeAlternative;
            return;
        case Word::UnicodeText:
            if (state.destination == Destination::UnicodeAlternative) {
                state.destination = Destination::Text;
            }
            return;
        default:
            break;
    }
    if (SetDocumentWord(entry.word, hasParam, param)) {
        return;
    }
    switch (state.destination) {
        case Destination::FontTable:
            FontTableWord(entry.word, param);
            return;
        case Destination::ColorTable:
            ColorTableWord(entry.word, param);
            return;
        case Destination::Text:
            if (ConsumeFallback() || FormatWord(entry.word, hasParam, param)) {
                return;
            }
            TextWord(entry, hasParam, param);
            return;
        default:
            FormatWord(entry.word, hasParam, param);
            return;
    }
}

bool RtfParser::SetDocumentWord(Word word, bool hasParam, int param) {
    switch (word) {
        case Word::Ansi:
            m_documentCodePage = RtfCodePageDecoder::kWestern;
            return true;
        case Word::Mac:
            m_documentCodePage = 10000;
            return true;
        case Word::Pc:
            m_documentCodePage = 437;
            return true;
        case Word::Pca:
            m_documentCodePage = 850;
            return true;
        case Word::AnsiCodePage:
            if (hasParam && param > 0) {
                m_documentCodePage = param;
            }
            return true;
        case Word::DefaultFont:
            m_defaultFont = param;
            return true;
        default:
            return false;
    }
}

void RtfParser::FontTableWord(Word word, int param) {
    if (word == Word::Font) {
        if (m_fonts.find(param) == m_fonts.end()) {
            Spend();
            m_fonts[param] = FontInfo{};
        }
        m_tableFont = param;
        return;
    }
    if (!m_tableFont) {
        return;
    }
    if (word == Word::FontCharset) {
        m_fonts[*m_tableFont].charset = param;
    } else if (word == Word::FontCodePage) {
        m_fonts[*m_tableFont].codePage = param;
    }
}

void RtfParser::ColorTableWord(Word word, int param) {
    const auto component = static_cast<std::uint8_t>(std::clamp(param, 0, 255));
    switch (word) {
        case Word::Red:
            m_colorEntry.red = component;
            break;
        case Word::Green:
            m_colorEntry.green = component;
            break;
        case Word::Blue:
            m_colorEntry.blue = component;
            break;
        default:
            return;
    }
    m_colorEntryHasValue = true;
}

// An entry with no colour words ("\;" alone) is the automatic colour.
void RtfParser::EndColorEntry() {
    Spend();
    if (m_colorEntryHasValue) {
        m_colors.emplace_back(m_colorEntry);
    } else {
        m_colors.emplace_back(std::nullopt);
    }
    m_colorEntry = RtfColor{};
    m_colorEntryHasValue = false;
}

bool RtfParser::FormatWord(Word word, bool hasParam, int param) {
    GroupState& state = Current();
    const bool on = !hasParam || param != 0;
    switch (word) {
        case Word::Bold:
            state.format.bold = on;
            return true;
        case Word::Italic:
            state.format.italic = on;
            return true;
        case Word::Underline:
        case Word::UnderlineStyle:
            state.format.underline = on;
            return true;
        case Word::UnderlineNone:
            state.format.underline = false;
            return true;
        case Word::FontSize:
            state.format.halfPoints = !hasParam || param <= 0 ? RtfCharFormat::kDefaultHalfPoints
                                                              : std::min(param, kMaxHalfPoints);
            return true;
        case Word::ColorForeground:
            state.format.color = ColorAt(hasParam ? param : 0);
            return true;
        case Word::Font:
            state.font = hasParam ? param : 0;
            return true;
        case Word::Plain:
            state.format = RtfCharFormat{};
            state.font.reset();
            return true;
        case Word::UnicodeSkip:
            // The count is bounded only to keep it an int; a group or the
            // end of input stops the skipping anyway.
            state.unicodeSkip = hasParam ? std::clamp(param, 0, 1 << 20) : 1;
            return true;
        case Word::ParagraphDefaults:
            return true;  // no paragraph formatting is kept
        default:
            return false;
    }
}

void RtfParser::TextWord(const RtfControlWords::Entry& entry, bool hasParam, int param) {
    switch (entry.word) {
        case Word::Unicode:
            if (hasParam) {
                AddCodePoint(param);
                m_fallback = Current().unicodeSkip;
            }
            return;
        case Word::Paragraph:
            EndParagraph();
            return;
        case Word::Line:
            AddUnit(0x2028);
            return;
        case Word::Tab:
            AddUnit(u'\t');
            return;
        case Word::Character:
            AddUnit(entry.character);
            return;
        default:
            return;
    }
}

void RtfParser::TextByte(unsigned char byte) {
    const Destination destination = Current().destination;
    if (destination == Destination::ColorTable) {
        if (byte == ';') {
            EndColorEntry();
        }
        return;
    }
    if (destination != Destination::Text || ConsumeFallback()) {
        return;
    }
    if (byte == '\t') {
        AddUnit(u'\t');
    } else {
        AddByte(byte);
    }
}

// The font's \cpg, else its \fcharset's page, else the document's page.
int RtfParser::CurrentCodePage() const {
    const int font = m_stack.back().font.value_or(m_defaultFont);
    const auto it = m_fonts.find(font);
    if (it == m_fonts.end()) {
        return m_documentCodePage;
    }
    if (it->second.codePage > 0) {
        return it->second.codePage;
    }
    const int fromCharset = RtfCodePageDecoder::CodePageForCharset(it->second.charset);
    return fromCharset != 0 ? fromCharset : m_documentCodePage;
}

std::optional<RtfColor> RtfParser::ColorAt(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_colors.size()) {
        return std::nullopt;
    }
    return m_colors[static_cast<std::size_t>(index)];
}

// \uN takes N as a signed 16-bit number (negative for U+8000 and up); larger
// values name the code point directly.
void RtfParser::AddCodePoint(int value) {
    if (value < 0) {
        value += 0x10000;
    }
    if (value < 0 || value > 0x10FFFF) {
        AddUnit(kReplacement);
    } else if (value <= 0xFFFF) {
        AddUnit(static_cast<char16_t>(value));
    } else {
        value -= 0x10000;
        AddUnit(static_cast<char16_t>(0xD800 + (value >> 10)));
        AddUnit(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    }
}

void RtfParser::AddByte(unsigned char byte) {
    if (!m_builder.AddByte(byte, CurrentCodePage(), Current().format)) {
        Fail(Status::TooLarge);
    }
}

void RtfParser::AddUnit(char16_t unit) {
    if (!m_builder.AddUnit(unit, Current().format)) {
        Fail(Status::TooLarge);
    }
}

void RtfParser::EndParagraph() {
    if (!m_builder.EndParagraph(Current().format)) {
        Fail(Status::TooLarge);
    }
}

void RtfParser::Spend() {
    if (!m_builder.Spend()) {
        Fail(Status::TooLarge);
    }
}
