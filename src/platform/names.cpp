// UTF-8 <-> UTF-16 conversion with strict validation: a name that is not
// well-formed is refused, never repaired, so that two different byte strings
// never map to the same name.
#include "platform/names.h"

#include <cstring>

namespace {

// Decodes one code point at text[*pos]; false when the sequence is invalid.
bool DecodeUtf8(const unsigned char* text, std::size_t length, std::size_t* pos,
                std::uint32_t* codePoint) {
    std::size_t i = *pos;
    unsigned char lead = text[i];
    if (lead < 0x80) {
        *codePoint = lead;
        *pos = i + 1;
        return true;
    }
    int extra;
    std::uint32_t value;
    std::uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (length - i <= static_cast<std::size_t>(extra)) {
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        unsigned char c = text[i + k];
        if ((c & 0xC0) != 0x80) {
            return false;
        }
        value = (value << 6) | (c & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    *codePoint = value;
    *pos = i + 1 + extra;
    return true;
}

}  // namespace

long Utf8ToUtf16Length(const char* text, std::size_t length) {
    if (text == nullptr) {
        return -1;
    }
    auto bytes = reinterpret_cast<const unsigned char*>(text);
    long units = 0;
    std::size_t pos = 0;
    while (pos < length) {
        std::uint32_t cp;
        if (!DecodeUtf8(bytes, length, &pos, &cp)) {
            return -1;
        }
        units += cp >= 0x10000 ? 2 : 1;
    }
    return units;
}

long Utf8ToUtf16(const char* text, std::size_t length, UniChar* out, std::size_t capacity) {
    if (text == nullptr || (out == nullptr && capacity > 0)) {
        return -1;
    }
    auto bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t written = 0;
    std::size_t pos = 0;
    while (pos < length) {
        std::uint32_t cp;
        if (!DecodeUtf8(bytes, length, &pos, &cp)) {
            return -1;
        }
        if (cp >= 0x10000) {
            if (capacity - written < 2) {
                return -1;
            }
            cp -= 0x10000;
            out[written++] = static_cast<UniChar>(0xD800 + (cp >> 10));
            out[written++] = static_cast<UniChar>(0xDC00 + (cp & 0x3FF));
        } else {
            if (capacity - written < 1) {
                return -1;
            }
            out[written++] = static_cast<UniChar>(cp);
        }
    }
    return static_cast<long>(written);
}

long Utf16ToUtf8(const UniChar* text, std::size_t length, char* out, std::size_t capacity) {
    if ((text == nullptr && length > 0) || out == nullptr || capacity == 0) {
        return -1;
    }
    std::size_t written = 0;
    auto put = [&](unsigned char c) {
        if (written + 1 >= capacity) {
            return false;
        }
        out[written++] = static_cast<char>(c);
        return true;
    };
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                out[0] = '\0';
                return -1;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            out[0] = '\0';
            return -1;
        }
        bool ok;
        if (cp < 0x80) {
            ok = put(static_cast<unsigned char>(cp));
        } else if (cp < 0x800) {
            ok = put(0xC0 | (cp >> 6)) && put(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            ok =
                put(0xE0 | (cp >> 12)) && put(0x80 | ((cp >> 6) & 0x3F)) && put(0x80 | (cp & 0x3F));
        } else {
            ok = put(0xF0 | (cp >> 18)) && put(0x80 | ((cp >> 12) & 0x3F)) &&
                 put(0x80 | ((cp >> 6) & 0x3F)) && put(0x80 | (cp & 0x3F));
        }
        if (!ok) {
            out[0] = '\0';
            return -1;
        }
    }
    out[written] = '\0';
    return static_cast<long>(written);
}

OSErr HFSUniStr255FromUtf8(const char* text, HFSUniStr255* name) {
    if (text == nullptr || name == nullptr) {
        return kErrParam;
    }
    std::size_t length = std::strlen(text);
    long units = Utf8ToUtf16Length(text, length);
    if (units < 0) {
        return kErrParam;
    }
    if (units > 255) {
        return kErrBadName;
    }
    Utf8ToUtf16(text, length, name->unicode, 255);
    name->length = static_cast<std::uint16_t>(units);
    return kNoErr;
}

OSErr HFSUniStr255ToUtf8(const HFSUniStr255* name, char* out, std::size_t capacity) {
    if (name == nullptr || out == nullptr || capacity == 0 || name->length > 255) {
        return kErrParam;
    }
    return Utf16ToUtf8(name->unicode, name->length, out, capacity) < 0 ? kErrParam : kNoErr;
}
