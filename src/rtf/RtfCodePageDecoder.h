// Converts text bytes in a Windows code page (as named by RTF's \ansicpg and
// \cpg, or implied by \fcharset) to UTF-16.
//
// Code page 1252 and the symbol page 42 are converted by built-in tables; the
// other supported pages (Japanese 932, Chinese 936 and 950, Korean 949 and
// 1361, 1250-1258, 874, the DOS pages 437, 850, 852, 866, Mac Roman 10000,
// UTF-8 65001) through the C library's iconv. An unsupported page, or one the
// C library cannot open, is read as 1252. Bytes that do not form a character
// become U+FFFD each.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class RtfCodePageDecoder {
  public:
    RtfCodePageDecoder();
    ~RtfCodePageDecoder();
    RtfCodePageDecoder(const RtfCodePageDecoder&) = delete;
    RtfCodePageDecoder& operator=(const RtfCodePageDecoder&) = delete;

    static constexpr int kWestern = 1252;
    static constexpr int kSymbol = 42;

    // The code page for an RTF \fcharset value, or 0 when the charset names
    // no particular page (1, "default", and unknown values).
    static int CodePageForCharset(int charset);

    // Appends the UTF-16 form of bytes to out.
    void Decode(int codePage, std::string_view bytes, std::u16string& out);

  private:
    struct Converter;
    Converter* Find(int codePage);

    std::vector<std::unique_ptr<Converter>> m_converters;
};
