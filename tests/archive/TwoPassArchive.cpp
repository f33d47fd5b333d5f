#include "TwoPassArchive.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "archive/stPackHeader.h"
#include "archive/stPackRecord.h"
#include "filelib/CFile.h"
#include "filelib/zrPath.h"
#include "md5/md5.h"

namespace zvtest {

using zorvane::kPackHeaderSize;
using zorvane::kPackRecordSize;
using zorvane::stFileImage;
using zorvane::stPackHeader;
using zorvane::stPackRecord;
using zorvane::zcompressBound;
using zrLib::File::CFile;

namespace {

using Bytes = std::vector<unsigned char>;

// The whole file read through CFile, as the writer's pass reads it.
bool ReadWhole(const char* path, Bytes& data) {
    CFile file(path, CFile::OPEN_READ);
    data.assign(file.GetSize(), 0);
    return data.empty() || file.Read(data.data(), data.size(), 0) == data.size();
}

bool Compress(const Bytes& data, Bytes& stream) {
    uLongf n = zcompressBound(data.size());
    stream.assign(n, 0);
    if (compress2(stream.data(), &n, data.data(), data.size(), 9) != Z_OK) {
        return false;
    }
    stream.resize(n);
    return true;
}

void Digest(const Bytes& stream, unsigned char out[16]) {
    md5_record st;
    md5_init(&st);
    md5_append(&st, stream.data(), static_cast<std::int32_t>(stream.size()));
    md5_finish(&st, out);
}

}  // namespace

bool TwoPassArchive::SaveTwoPass(const char* path) {
    const std::size_t n = m_vFileImage.size();
    Bytes records(n * kPackRecordSize, 0);
    std::uint32_t running = 0;
    // Pass 1: lengths and digests.
    for (std::size_t k = 0; k < n; ++k) {
        stFileImage& e = *m_vFileImage[k];
        if (e.IsPending()) {
            Bytes data, stream;
            if (!ReadWhole(e.szFname, data) || !Compress(data, stream)) {
                return false;
            }
            Digest(stream, e.digest);
            e.nSize = static_cast<std::uint32_t>(data.size());
            e.nPackedSize = static_cast<std::uint32_t>(stream.size());
        }
        stPackRecord r;
        zrSplitPath(e.szFname, nullptr, r.szFname);
        std::strcpy(r.szOutputPath, e.szOutputPath);
        r.nOffset = running;
        r.nSize = e.nSize;
        r.nPackedSize = e.nPackedSize;
        std::memcpy(r.digest, e.digest, sizeof r.digest);
        r.createDate = e.createDate;
        r.contentModDate = e.contentModDate;
        r.attributeModDate = e.attributeModDate;
        r.accessDate = e.accessDate;
        r.backupDate = e.backupDate;
        r.permissions = e.permissions;
        r.Encode(records.data() + k * kPackRecordSize);
        running += e.nPackedSize;
    }
    // Catalogue and header.
    Bytes catalog;
    if (!Compress(records, catalog)) {
        return false;
    }
    stPackHeader h;
    h.magic = zorvane::kPackMagic;
    h.version = zorvane::kPackVersion;
    h.fileNum = static_cast<std::uint32_t>(n);
    h.catalogPackedSize = static_cast<std::uint32_t>(catalog.size());
    h.catalogSize = static_cast<std::uint32_t>(records.size());
    h.key = static_cast<std::uint32_t>(std::rand());
    for (unsigned char& b : catalog) {
        h.checksum += b;
        b ^= static_cast<unsigned char>(h.key);
    }
    for (int i = 0; i < 10; ++i) {
        std::rand();  // the temporary name's digits
    }
    unsigned char head[kPackHeaderSize];
    h.Encode(head);
    CFile out(path, CFile::OPEN_WRITE);
    out.Write(head, kPackHeaderSize, 0);
    out.Write(catalog.data(), catalog.size(), kPackHeaderSize);
    std::uint32_t pos = kPackHeaderSize + h.catalogPackedSize;
    // Pass 2: the streams again, in catalogue order.
    for (const auto& entry : m_vFileImage) {
        const stFileImage& e = *entry;
        Bytes stream;
        if (e.IsPending()) {
            Bytes data;
            if (!ReadWhole(e.szFname, data) || !Compress(data, stream)) {
                return false;
            }
        } else {
            stream.assign(e.nPackedSize, 0);
            CFile archive(m_szPackPath, CFile::OPEN_READ);
            if (!stream.empty() &&
                archive.Read(stream.data(), stream.size(), static_cast<std::uint32_t>(e.nOffset)) !=
                    stream.size()) {
                return false;
            }
        }
        if (stream.size() != e.nPackedSize) {
            return false;
        }
        out.Write(stream.data(), stream.size(), pos);
        pos += e.nPackedSize;
    }
    return out.GetSize() == pos;
}

}  // namespace zvtest
