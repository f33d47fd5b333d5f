// UTF-8 <-> UTF-16 conversion of names, for the HFSUniStr255 and UniChar
// arrays that the file calls take. Pure code, no file system access.
#pragma once

#include <cstddef>

#include "platform/types.h"

// Number of UTF-16 units that the UTF-8 text (length bytes) needs, or -1 when
// it is not valid UTF-8 (overlong forms, surrogates, values past U+10FFFF and
// cut-off sequences are invalid).
long Utf8ToUtf16Length(const char* text, std::size_t length);

// Converts valid UTF-8 into out (capacity units); answers the number of units
// written, or -1 when the text is not valid UTF-8 or does not fit.
long Utf8ToUtf16(const char* text, std::size_t length, UniChar* out, std::size_t capacity);

// Converts UTF-16 into NUL-terminated UTF-8 in out (capacity bytes with the
// NUL); answers the number of bytes before the NUL, or -1 for an unpaired
// surrogate or when the result does not fit.
long Utf16ToUtf8(const UniChar* text, std::size_t length, char* out, std::size_t capacity);

// NUL-terminated UTF-8 to a name record: -37 when it holds more than 255
// UTF-16 units, -50 when it is not valid UTF-8 or an argument is null.
OSErr HFSUniStr255FromUtf8(const char* text, HFSUniStr255* name);

// A name record to NUL-terminated UTF-8 (capacity bytes with the NUL): -50 for
// an unpaired surrogate, a length above 255 or a result that does not fit.
OSErr HFSUniStr255ToUtf8(const HFSUniStr255* name, char* out, std::size_t capacity);
