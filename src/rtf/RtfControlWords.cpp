#include "rtf/RtfControlWords.h"

#include <algorithm>
#include <array>

namespace {

using Word = RtfControlWords::Word;
using Entry = RtfControlWords::Entry;

constexpr Entry Dest(std::string_view name) {
    return {name, Word::SkipDestination, 0};
}
constexpr Entry Char(std::string_view name, char16_t c) {
    return {name, Word::Character, c};
}

// Sorted by name (byte order) for binary search.
constexpr std::array kWords = {
    Entry{"NeXTGraphic", Word::Attachment, 0},
    Entry{"ansi", Word::Ansi, 0},
    Entry{"ansicpg", Word::AnsiCodePage, 0},
    Dest("author"),
    Entry{"b", Word::Bold, 0},
    Entry{"bin", Word::Binary, 0},
    Dest("bkmkend"),
    Dest("bkmkstart"),
    Entry{"blue", Word::Blue, 0},
    Char("bullet", 0x2022),
    Dest("buptim"),
    Entry{"cell", Word::Tab, 0},
    Entry{"cf", Word::ColorForeground, 0},
    Entry{"colortbl", Word::ColorTable, 0},
    Dest("comment"),
    Entry{"cpg", Word::FontCodePage, 0},
    Dest("creatim"),
    Dest("datafield"),
    Entry{"deff", Word::DefaultFont, 0},
    Dest("doccomm"),
    Char("emdash", 0x2014),
    Char("emspace", 0x2003),
    Char("endash", 0x2013),
    Char("enspace", 0x2002),
    Entry{"f", Word::Font, 0},
    Entry{"fcharset", Word::FontCharset, 0},
    Dest("filetbl"),
    Dest("fldinst"),
    Entry{"fonttbl", Word::FontTable, 0},
    Dest("footer"),
    Dest("footerf"),
    Dest("footerl"),
    Dest("footerr"),
    Dest("footnote"),
    Entry{"fs", Word::FontSize, 0},
    Dest("ftncn"),
    Dest("ftnsep"),
    Dest("ftnsepc"),
    Dest("generator"),
    Entry{"green", Word::Green, 0},
    Dest("header"),
    Dest("headerf"),
    Dest("headerl"),
    Dest("headerr"),
    Entry{"i", Word::Italic, 0},
    Dest("info"),
    Dest("keywords"),
    Char("ldblquote", 0x201C),
    Entry{"line", Word::Line, 0},
    Dest("listoverridetable"),
    Dest("listtable"),
    Char("lquote", 0x2018),
    Char("ltrmark", 0x200E),
    Entry{"mac", Word::Mac, 0},
    Dest("nonshppict"),
    Dest("objdata"),
    Dest("object"),
    Dest("operator"),
    Entry{"page", Word::Paragraph, 0},
    Entry{"par", Word::Paragraph, 0},
    Entry{"pard", Word::ParagraphDefaults, 0},
    Entry{"pc", Word::Pc, 0},
    Entry{"pca", Word::Pca, 0},
    Dest("pict"),
    Entry{"plain", Word::Plain, 0},
    Dest("printim"),
    Dest("private"),
    Char("qmspace", 0x2005),
    Char("rdblquote", 0x201D),
    Entry{"red", Word::Red, 0},
    Dest("revtbl"),
    Dest("revtim"),
    Entry{"row", Word::Paragraph, 0},
    Char("rquote", 0x2019),
    Dest("rsidtbl"),
    Char("rtlmark", 0x200F),
    Dest("rxe"),
    Entry{"sect", Word::Paragraph, 0},
    Dest("stylesheet"),
    Dest("subject"),
    Entry{"tab", Word::Tab, 0},
    Dest("tc"),
    Dest("title"),
    Dest("txe"),
    Entry{"u", Word::Unicode, 0},
    Entry{"uc", Word::UnicodeSkip, 0},
    Entry{"ud", Word::UnicodeText, 0},
    Entry{"ul", Word::Underline, 0},  // (\ulc, the underline colour, stays unknown)
    Entry{"uld", Word::UnderlineStyle, 0},
    Entry{"uldash", Word::UnderlineStyle, 0},
    Entry{"uldashd", Word::UnderlineStyle, 0},
    Entry{"uldashdd", Word::UnderlineStyle, 0},
    Entry{"uldb", Word::UnderlineStyle, 0},
    Entry{"ulhwave", Word::UnderlineStyle, 0},
    Entry{"ulldash", Word::UnderlineStyle, 0},
    Entry{"ulnone", Word::UnderlineNone, 0},
    Entry{"ulth", Word::UnderlineStyle, 0},
    Entry{"ulthd", Word::UnderlineStyle, 0},
    Entry{"ulthdash", Word::UnderlineStyle, 0},
    Entry{"ulthdashd", Word::UnderlineStyle, 0},
    Entry{"ulthdashdd", Word::UnderlineStyle, 0},
    Entry{"ulthldash", Word::UnderlineStyle, 0},
    Entry{"ululdbwave", Word::UnderlineStyle, 0},
    Entry{"ulw", Word::UnderlineStyle, 0},
    Entry{"ulwave", Word::UnderlineStyle, 0},
    Entry{"upr", Word::UnicodeAlternative, 0},
    Dest("xe"),
    Char("zwj", 0x200D),
    Char("zwnj", 0x200C),
};

constexpr bool ByName(const Entry& a, const Entry& b) {
    return a.name < b.name;
}
static_assert(std::is_sorted(kWords.begin(), kWords.end(), ByName));

}  // namespace

RtfControlWords::Entry RtfControlWords::Lookup(std::string_view name) {
    const Entry key{name, Word::Unknown, 0};
    const auto it = std::lower_bound(kWords.begin(), kWords.end(), key, ByName);
    if (it == kWords.end() || it->name != name) {
        return key;
    }
    return *it;
}
