// Test helpers for RtfDocument: a checker of the model's promises and a short
// textual rendering used to compare documents in tables.
#pragma once

#include <cstdio>
#include <string>

#include "rtf/RtfDocument.h"

namespace rtftest {

inline void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-8 of well-formed UTF-16; a lone surrogate shows as "<?>".
inline std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += "<?>";
        } else {
            AppendUtf8(unit, out);
        }
    }
    return out;
}

inline std::string Describe(const RtfCharFormat& format) {
    std::string out;
    auto add = [&out](const std::string& word) {
        out += out.empty() ? "" : " ";
        out += word;
    };
    if (format.bold) {
        add("b");
    }
    if (format.italic) {
        add("i");
    }
    if (format.underline) {
        add("u");
    }
    if (format.halfPoints != RtfCharFormat::kDefaultHalfPoints) {
        add("fs" + std::to_string(format.halfPoints));
    }
    if (format.color) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02x%02x%02x", format.color->red, format.color->green,
                      format.color->blue);
        add(hex);
    }
    return "{" + out + "}";
}

// Paragraphs joined by "¶", each run as "{format}text"; a tab shows as
// "<tab>", a line break as "<br>".
inline std::string Describe(const RtfDocument& document) {
    std::string out;
    for (std::size_t p = 0; p < document.paragraphs.size(); ++p) {
        if (p > 0) {
            out += "¶";
        }
        for (const RtfRun& run : document.paragraphs[p].runs) {
            out += Describe(run.format);
            const std::string text = ToUtf8(run.text);
            std::string shown;
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (text[i] == '\t') {
                    shown += "<tab>";
                } else if (text.compare(i, 3, "\xE2\x80\xA8") == 0) {
                    shown += "<br>";
                    i += 2;
                } else {
                    shown += text[i];
                }
            }
            out += shown;
        }
    }
    return out;
}

// Empty when the document keeps the model's promises, else what is wrong.
inline std::string Problem(const RtfDocument& document) {
    for (const RtfParagraph& paragraph : document.paragraphs) {
        if (paragraph.markFormat.halfPoints < 1 || paragraph.markFormat.halfPoints > 3276) {
            return "mark size out of range";
        }
        for (std::size_t r = 0; r < paragraph.runs.size(); ++r) {
            const RtfRun& run = paragraph.runs[r];
            if (run.text.empty()) {
                return "empty run";
            }
            if (r > 0 && paragraph.runs[r - 1].format == run.format) {
                return "neighbouring runs with the same format";
            }
            if (run.format.halfPoints < 1 || run.format.halfPoints > 3276) {
                return "size out of range";
            }
            const std::u16string& text = run.text;
            for (std::size_t i = 0; i < text.size(); ++i) {
                const char16_t unit = text[i];
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                        return "lone high surrogate";
                    }
                    ++i;
                } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                    return "lone low surrogate";
                } else if ((unit < 0x20 && unit != u'\t') || (unit >= 0x7F && unit <= 0x9F) ||
                           unit == 0x2029 || (unit >= 0xFDD0 && unit <= 0xFDEF) || unit >= 0xFFFE) {
                    return "control character or non-character in a run";
                }
            }
        }
    }
    return {};
}

}  // namespace rtftest
