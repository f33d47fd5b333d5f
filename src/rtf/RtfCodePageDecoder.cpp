#include "rtf/RtfCodePageDecoder.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct PageName {
    int codePage;
    const char* iconvName;
};

// Pages decoded through iconv. 1252 and 42 are built in.
constexpr std::array<PageName, 20> kIconvPages = {{
    {437, "CP437"},   {850, "CP850"},   {852, "CP852"},   {866, "CP866"},       {874, "CP874"},
    {932, "CP932"},   {936, "CP936"},   {949, "CP949"},   {950, "CP950"},       {1250, "CP1250"},
    {1251, "CP1251"}, {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"},     {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"}, {1361, "JOHAB"},  {10000, "MACINTOSH"}, {65001, "UTF-8"},
}};

// Windows-1252 bytes 0x80-0x9F; the rest of the page equals Latin-1. The five
// holes of the page decode to U+FFFD.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

char16_t Cp1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kCp1252High[byte - 0x80];
    }
    return byte;
}

// The symbol page is only used for list bullets in practice: its bullet 0xB7
// becomes U+2022; other bytes are read as 1252.
char16_t SymbolToUnicode(unsigned char byte) {
    return byte == 0xB7 ? char16_t{0x2022} : Cp1252ToUnicode(byte);
}

const char* IconvNameFor(int codePage) {
    for (const PageName& page : kIconvPages) {
        if (page.codePage == codePage) {
            return page.iconvName;
        }
    }
    return nullptr;
}

void AppendUtf16Le(const char* bytes, std::size_t size, std::u16string& out) {
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(low | (high << 8));
    }
}

}  // namespace

struct RtfCodePageDecoder::Converter {
    int codePage = 0;
    iconv_t handle = reinterpret_cast<iconv_t>(-1);

    bool IsOpen() const { return handle != reinterpret_cast<iconv_t>(-1); }
    ~Converter() {
        if (IsOpen()) {
            iconv_close(handle);
        }
    }

    // Converts bytes in pieces through a fixed buffer; a byte that starts no
    // valid character becomes U+FFFD and is stepped over.
    void Convert(std::string_view bytes, std::u16string& out) {
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t done = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
            AppendUtf16Le(buffer, sizeof buffer - outLeft, out);
            const int error = done == static_cast<std::size_t>(-1) ? errno : 0;
            if (error == 0 || error == E2BIG) {
                continue;
            }
            out += kReplacement;
            iconv(handle, nullptr, nullptr, nullptr, nullptr);
            if (error != EILSEQ) {
                break;  // the bytes end inside a character
            }
            ++in;
            --inLeft;
        }
        Flush(out);
    }

    // Writes out what a composing page (1258) still holds and resets the state.
    void Flush(std::u16string& out) {
        char buffer[64];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
        AppendUtf16Le(buffer, sizeof buffer - outLeft, out);
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
    }
};

RtfCodePageDecoder::RtfCodePageDecoder() = default;
RtfCodePageDecoder::~RtfCodePageDecoder() = default;

int RtfCodePageDecoder::CodePageForCharset(int charset) {
    switch (charset) {
        case 0:
            return kWestern;
        case 2:
            return kSymbol;
        case 77:
            return 10000;
        case 128:
            return 932;
        case 129:
            return 949;
        case 130:
            return 1361;
        case 134:
            return 936;
        case 136:
            return 950;
        case 161:
            return 1253;
        case 162:
            return 1254;
        case 163:
            return 1258;
        case 177:
            return 1255;
        case 178:
            return 1256;
        case 186:
            return 1257;
        case 204:
            return 1251;
        case 222:
            return 874;
        case 238:
            return 1250;
        case 254:
            return 437;
        case 255:
            return 850;
        default:
            return 0;
    }
}

RtfCodePageDecoder::Converter* RtfCodePageDecoder::Find(int codePage) {
    for (const auto& converter : m_converters) {
        if (converter->codePage == codePage) {
            return converter->IsOpen() ? converter.get() : nullptr;
        }
    }
    const char* name = IconvNameFor(codePage);
    if (name == nullptr) {
        return nullptr;
    }
    // The list stays short: only the pages of the table above are ever opened.
    auto converter = std::make_unique<Converter>();
    converter->codePage = codePage;
    converter->handle = iconv_open("UTF-16LE", name);
    m_converters.push_back(std::move(converter));
    return m_converters.back()->IsOpen() ? m_converters.back().get() : nullptr;
}

void RtfCodePageDecoder::Decode(int codePage, std::string_view bytes, std::u16string& out) {
    Converter* converter = codePage == kWestern || codePage == kSymbol ? nullptr : Find(codePage);
    if (converter != nullptr) {
        converter->Convert(bytes, out);
        return;
    }
    for (char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        out += codePage == kSymbol ? SymbolToUnicode(value) : Cp1252ToUnicode(value);
    }
}
