#include "TestArchive.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "archive/PackCatalog.h"

namespace zvtest {

using zorvane::stPackHeader;
using zorvane::stPackRecord;

std::string Deflate(const std::string& data) {
    uLongf n = compressBound(data.size());
    std::string out(n, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), 9);
    out.resize(n);
    return out;
}

std::string Md5Of(const std::string& data) {
    unsigned char d[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), d, &n, EVP_md5(), nullptr);
    return std::string(reinterpret_cast<char*>(d), n);
}

stPackRecord& TestArchive::Add(const std::string& name, const std::string& outputPath,
                               const std::string& data, std::uint16_t mode) {
    stPackRecord r;
    std::strncpy(r.szFname, name.c_str(), sizeof r.szFname - 1);
    std::strncpy(r.szOutputPath, outputPath.c_str(), sizeof r.szOutputPath - 1);
    std::string stream = Deflate(data);
    std::uint32_t offset = 0;
    for (const std::string& s : streams) {
        offset += static_cast<std::uint32_t>(s.size());
    }
    r.nOffset = offset;
    r.nSize = static_cast<std::uint32_t>(data.size());
    r.nPackedSize = static_cast<std::uint32_t>(stream.size());
    std::memcpy(r.digest, Md5Of(stream).data(), 16);
    // 2020-01-02 03:04:05 UTC plus half a second, as seconds since 1904.
    r.contentModDate = {0, 3660779045u, 0x8000};
    r.accessDate = {0, 3660779046u, 0};
    r.permissions.mode = mode;
    records.push_back(r);
    streams.push_back(stream);
    return records.back();
}

stPackHeader TestArchive::Header(Bytes* catalogOut) const {
    Bytes recs(records.size() * zorvane::kPackRecordSize);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].Encode(recs.data() + i * zorvane::kPackRecordSize);
    }
    Bytes catalog;
    stPackHeader h;
    zorvane::EncodePackCatalog(recs.data(), recs.size(), key, catalog, h.checksum);
    h.magic = zorvane::kPackMagic;
    h.version = zorvane::kPackVersion;
    h.fileNum = static_cast<std::uint32_t>(records.size());
    h.catalogPackedSize = static_cast<std::uint32_t>(catalog.size());
    h.catalogSize = static_cast<std::uint32_t>(recs.size());
    h.key = key;
    if (catalogOut) {
        *catalogOut = catalog;
    }
    return h;
}

Bytes TestArchive::Build(const std::function<void(stPackHeader&)>& tweak) const {
    Bytes catalog;
    stPackHeader h = Header(&catalog);
    if (tweak) {
        tweak(h);
    }
    Bytes out(zorvane::kPackHeaderSize);
    h.Encode(out.data());
    out.insert(out.end(), catalog.begin(), catalog.end());
    for (const std::string& s : streams) {
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

bool SameDate(const UTCDateTime& a, const UTCDateTime& b) {
    return a.highSeconds == b.highSeconds && a.lowSeconds == b.lowSeconds &&
           a.fraction == b.fraction;
}

bool SamePermissions(const FSPermissionInfo& a, const FSPermissionInfo& b) {
    return a.userID == b.userID && a.groupID == b.groupID && a.reserved1 == b.reserved1 &&
           a.userAccess == b.userAccess && a.mode == b.mode && a.reserved2 == b.reserved2;
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

std::string ReadFileText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string Random(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) {
        c = static_cast<char>(gen());
    }
    return s;
}

}  // namespace zvtest
