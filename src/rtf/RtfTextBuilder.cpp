#include "rtf/RtfTextBuilder.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kLineSeparator = 0x2028;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

enum class UnitKind { Keep, LineBreak, Drop };

// What a code unit becomes in a run: breaks that would end a paragraph in a
// viewer become line breaks, other control characters and the code points
// that are no characters are dropped.
UnitKind Classify(char16_t unit) {
    if (unit == u'\t' || unit == kLineSeparator) {
        return UnitKind::Keep;
    }
    if (unit == u'\n' || unit == u'\r' || unit == 0x0B || unit == 0x0C || unit == 0x85 ||
        unit == 0x2029) {
        return UnitKind::LineBreak;
    }
    if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) {
        return UnitKind::Drop;
    }
    if ((unit >= 0xFDD0 && unit <= 0xFDEF) || unit == 0xFFFE || unit == 0xFFFF) {
        return UnitKind::Drop;
    }
    return UnitKind::Keep;
}

}  // namespace

RtfTextBuilder::RtfTextBuilder(RtfCodePageDecoder& decoder, std::size_t maxElements)
    : m_decoder(decoder), m_budget(maxElements) {}

bool RtfTextBuilder::Spend() {
    if (m_budget == 0) {
        return false;
    }
    --m_budget;
    return true;
}

bool RtfTextBuilder::AddByte(unsigned char byte, int codePage, const RtfCharFormat& format) {
    if (!m_bytes.empty() && (codePage != m_bytesCodePage || !(format == m_bytesFormat))) {
        if (!FlushBytes()) {
            return false;
        }
    }
    if (m_bytes.empty()) {
        m_bytesCodePage = codePage;
        m_bytesFormat = format;
    }
    m_bytes += static_cast<char>(byte);
    return true;
}

bool RtfTextBuilder::AddUnit(char16_t unit, const RtfCharFormat& format) {
    return FlushBytes() && PutUnit(unit, format);
}

bool RtfTextBuilder::EndParagraph(const RtfCharFormat& markFormat) {
    if (!FlushBytes() || !PutPendingHighAsReplacement() || !Spend()) {
        return false;
    }
    m_paragraph.markFormat = markFormat;
    m_document.paragraphs.push_back(std::move(m_paragraph));
    m_paragraph = RtfParagraph{};
    return true;
}

bool RtfTextBuilder::Finish(RtfDocument& document) {
    if (!FlushBytes() || !PutPendingHighAsReplacement()) {
        return false;
    }
    if (!m_paragraph.runs.empty()) {
        if (!Spend()) {
            return false;
        }
        m_paragraph.markFormat = m_paragraph.runs.back().format;
        m_document.paragraphs.push_back(std::move(m_paragraph));
        m_paragraph = RtfParagraph{};
    }
    document = std::move(m_document);
    m_document = RtfDocument{};
    return true;
}

bool RtfTextBuilder::FlushBytes() {
    if (m_bytes.empty()) {
        return true;
    }
    std::u16string units;
    m_decoder.Decode(m_bytesCodePage, m_bytes, units);
    m_bytes.clear();
    for (char16_t unit : units) {
        if (!PutUnit(unit, m_bytesFormat)) {
            return false;
        }
    }
    return true;
}

bool RtfTextBuilder::PutPendingHighAsReplacement() {
    if (m_highSurrogate == 0) {
        return true;
    }
    m_highSurrogate = 0;
    return Append(std::u16string_view(&kReplacement, 1), m_highFormat);
}

// A high surrogate waits for its low half; the pair goes into the run of the
// high half. A half without its partner becomes U+FFFD.
bool RtfTextBuilder::PutUnit(char16_t unit, const RtfCharFormat& format) {
    if (m_highSurrogate != 0) {
        if (IsLowSurrogate(unit)) {
            const char16_t pair[2] = {m_highSurrogate, unit};
            m_highSurrogate = 0;
            return Append(std::u16string_view(pair, 2), m_highFormat);
        }
        if (!PutPendingHighAsReplacement()) {
            return false;
        }
    }
    if (IsHighSurrogate(unit)) {
        m_highSurrogate = unit;
        m_highFormat = format;
        return true;
    }
    if (IsLowSurrogate(unit)) {
        unit = kReplacement;
    }
    switch (Classify(unit)) {
        case UnitKind::Drop:
            return true;
        case UnitKind::LineBreak:
            unit = kLineSeparator;
            break;
        case UnitKind::Keep:
            break;
    }
    return Append(std::u16string_view(&unit, 1), format);
}

bool RtfTextBuilder::Append(std::u16string_view units, const RtfCharFormat& format) {
    std::vector<RtfRun>& runs = m_paragraph.runs;
    if (runs.empty() || !(runs.back().format == format)) {
        if (!Spend()) {
            return false;
        }
        runs.push_back(RtfRun{std::u16string(), format});
    }
    runs.back().text += units;
    return true;
}
