// Catalogue coding and the acceptance rules of a packed archive.
//
// The catalogue is fileNum records of 604 bytes, compressed as one zlib stream
// at level 9, summed byte by byte (unsigned 32-bit, wrapping) and then masked
// by XOR with the low byte of the header's key. The checks below run in the
// order a reader applies them and tell why an archive was refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive/stPackHeader.h"

namespace zorvane {

enum class PackStatus {
    kOk,
    kTooShort,     // the file holds fewer than 28 bytes
    kBadMagic,     // first word is not "ZPKm"
    kBadVersion,   // version is not 0x05071700
    kBadSizes,     // catalogSize is not fileNum x 604, or more than the stream can give
    kCutShort,     // the file holds fewer catalogue bytes than catalogPackedSize
    kBadChecksum,  // byte sum of the unmasked catalogue differs from checksum
    kBadCatalog,   // the catalogue does not decompress to exactly catalogSize bytes
    kNoMemory,     // a work buffer could not be allocated
};

// A short English description of a status, for messages.
const char* PackStatusText(PackStatus status);

// Sum of the bytes, each 0-255, in an unsigned 32-bit accumulator from 0.
std::uint32_t PackByteSum(const unsigned char* data, std::size_t size);

// XORs every byte with mask, in place. Masking twice restores the bytes.
void PackApplyMask(unsigned char* data, std::size_t size, unsigned char mask);

// The most bytes that a zlib stream of packedSize bytes can decompress to.
// Deflate cannot expand data by more than about 1032:1; the small constant
// covers the empty stream and the wrapper.
std::uint64_t PackMaxInflatedSize(std::uint64_t packedSize);

// Header checks, in order: magic, version, then the sizes that decide the
// catalogue's allocations (catalogSize must be fileNum x 604 and within what
// catalogPackedSize bytes can decompress to; the catalogue must lie inside a
// file of fileSize bytes). The caller has already refused files shorter than
// 28 bytes.
PackStatus CheckPackHeader(const stPackHeader& header, std::uint64_t fileSize);

// Decodes the catalogue of an accepted header: unmasks the catalogPackedSize
// bytes at catalog in place, checks their sum and decompresses them into
// records, which holds catalogSize bytes. The result must fill records exactly.
PackStatus DecodePackCatalog(const stPackHeader& header, unsigned char* catalog,
                             unsigned char* records);

// Encodes a catalogue: compresses size record bytes at level 9, sums the
// compressed bytes into checksum and masks them with key's low byte into
// catalog. Returns false when zlib or an allocation fails.
bool EncodePackCatalog(const unsigned char* records, std::size_t size, std::uint32_t key,
                       std::vector<unsigned char>& catalog, std::uint32_t& checksum);

}  // namespace zorvane
