// The 28-byte header at the start of a packed archive.
//
// Layout (big-endian words): magic "ZPKm", version, fileNum, catalogPackedSize,
// catalogSize, checksum, key. Only the least significant byte of key (file
// offset 27) takes part in masking the catalogue.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zorvane {

inline constexpr std::uint32_t kPackMagic = 0x5A504B6D;  // "ZPKm"
inline constexpr std::uint32_t kPackVersion = 0x05071700;
inline constexpr std::size_t kPackHeaderSize = 28;

struct stPackHeader {
    std::uint32_t magic = 0;
    std::uint32_t version = 0;
    std::uint32_t fileNum = 0;            // number of catalogue records
    std::uint32_t catalogPackedSize = 0;  // catalogue bytes after the header
    std::uint32_t catalogSize = 0;        // catalogue bytes once decompressed
    std::uint32_t checksum = 0;           // byte sum of the catalogue before masking
    std::uint32_t key = 0;                // mask word; low byte used

    // Writes the header's 28 bytes in file order.
    void Encode(unsigned char* out) const;
    // Reads a header from 28 bytes in file order.
    static stPackHeader Decode(const unsigned char* in);
    // The byte that masks the catalogue.
    unsigned char MaskByte() const { return static_cast<unsigned char>(key & 0xFF); }
};

}  // namespace zorvane
