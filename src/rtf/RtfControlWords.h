// The RTF control words the reader acts on, looked up by name.
#pragma once

#include <string_view>

class RtfControlWords {
  public:
    enum class Word {
        Unknown,
        // Destinations.
        SkipDestination,  // a group whose content is not text (pictures, info, ...)
        FontTable,
        ColorTable,
        UnicodeAlternative,  // \upr: its ANSI part is dropped
        UnicodeText,         // \ud: the Unicode part of \upr
        Attachment,          // \NeXTGraphic: an attachment of an RTFD folder
        // Document settings.
        Ansi,
        Mac,
        Pc,
        Pca,
        AnsiCodePage,
        DefaultFont,
        // Font and colour table entries.
        Font,
        FontCharset,
        FontCodePage,
        Red,
        Green,
        Blue,
        // Character formatting.
        Bold,
        Italic,
        Underline,
        UnderlineStyle,  // dotted, double, wave, ... all shown as plain underline
        UnderlineNone,
        FontSize,
        ColorForeground,
        Plain,
        ParagraphDefaults,
        UnicodeSkip,
        // Text.
        Unicode,
        Binary,
        Paragraph,  // \par, and the breaks shown as one: \sect, \page, \row
        Line,
        Tab,        // \tab, and \cell
        Character,  // a word that stands for one fixed character
    };

    struct Entry {
        std::string_view name;
        Word word;
        char16_t character;  // for Word::Character
    };

    // The entry for name; Word::Unknown when the reader does not know it.
    static Entry Lookup(std::string_view name);
};
