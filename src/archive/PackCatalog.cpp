#include "archive/PackCatalog.h"

#include <zlib.h>

#include <new>

#include "archive/stPackRecord.h"

namespace zorvane {

const char* PackStatusText(PackStatus status) {
    switch (status) {
        case PackStatus::kOk:
            return "ok";
        case PackStatus::kTooShort:
            return "file too short to be an archive";
        case PackStatus::kBadMagic:
            return "not a packed archive";
        case PackStatus::kBadVersion:
            return "unsupported archive version";
        case PackStatus::kBadSizes:
            return "catalogue sizes do not agree";
        case PackStatus::kCutShort:
            return "catalogue cut short";
        case PackStatus::kBadChecksum:
            return "catalogue checksum mismatch";
        case PackStatus::kBadCatalog:
            return "catalogue does not decompress";
        case PackStatus::kNoMemory:
            return "out of memory";
    }
    return "unknown error";
}

std::uint32_t PackByteSum(const unsigned char* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        sum += data[i];
    }
    return sum;
}

void PackApplyMask(unsigned char* data, std::size_t size, unsigned char mask) {
    if (mask == 0) {
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        data[i] ^= mask;
    }
}

std::uint64_t PackMaxInflatedSize(std::uint64_t packedSize) {
    return packedSize * 1032 + 64;
}

PackStatus CheckPackHeader(const stPackHeader& header, std::uint64_t fileSize) {
    if (header.magic != kPackMagic) {
        return PackStatus::kBadMagic;
    }
    if (header.version != kPackVersion) {
        return PackStatus::kBadVersion;
    }
    const std::uint64_t expected = std::uint64_t{header.fileNum} * kPackRecordSize;
    if (header.catalogSize != expected ||
        header.catalogSize > PackMaxInflatedSize(header.catalogPackedSize)) {
        return PackStatus::kBadSizes;
    }
    if (fileSize < kPackHeaderSize || header.catalogPackedSize > fileSize - kPackHeaderSize) {
        return PackStatus::kCutShort;
    }
    return PackStatus::kOk;
}

PackStatus DecodePackCatalog(const stPackHeader& header, unsigned char* catalog,
                             unsigned char* records) {
    PackApplyMask(catalog, header.catalogPackedSize, header.MaskByte());
    if (PackByteSum(catalog, header.catalogPackedSize) != header.checksum) {
        return PackStatus::kBadChecksum;
    }
    // uncompress wants a non-null destination even for an empty catalogue.
    unsigned char none = 0;
    uLongf produced = header.catalogSize;
    const int rc = uncompress(header.catalogSize ? records : &none, &produced, catalog,
                              header.catalogPackedSize);
    if (rc != Z_OK || produced != header.catalogSize) {
        return rc == Z_MEM_ERROR ? PackStatus::kNoMemory : PackStatus::kBadCatalog;
    }
    return PackStatus::kOk;
}

bool EncodePackCatalog(const unsigned char* records, std::size_t size, std::uint32_t key,
                       std::vector<unsigned char>& catalog, std::uint32_t& checksum) {
    try {
        uLongf packed = compressBound(size);
        catalog.assign(packed, 0);
        if (compress2(catalog.data(), &packed, records, size, 9) != Z_OK) {
            return false;
        }
        catalog.resize(packed);
    } catch (const std::bad_alloc&) {
        return false;
    }
    checksum = PackByteSum(catalog.data(), catalog.size());
    PackApplyMask(catalog.data(), catalog.size(), static_cast<unsigned char>(key & 0xFF));
    return true;
}

}  // namespace zorvane
