// Builds packed archives in memory for tests, with knobs to damage them.
//
// Each added entry gets its zlib stream (level 9) and the stream's MD5, taken
// with OpenSSL as an oracle independent of the library's own digest. Records
// stay editable, so a test can make any field lie before taking the bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/stPackHeader.h"
#include "archive/stPackRecord.h"

namespace zvtest {

using Bytes = std::vector<unsigned char>;

// zlib stream of data at level 9.
std::string Deflate(const std::string& data);
// OpenSSL MD5 of data.
std::string Md5Of(const std::string& data);

struct TestArchive {
    std::vector<zorvane::stPackRecord> records;
    std::vector<std::string> streams;  // stored bytes, one per record, in file order
    std::uint32_t key = 0xA1B2C3D4;

    // Appends an entry holding data; its offset follows the previous streams.
    zorvane::stPackRecord& Add(const std::string& name, const std::string& outputPath,
                               const std::string& data, std::uint16_t mode = 0644);
    // The archive's bytes. tweak, when given, may change the header after it
    // was filled in (the catalogue is already encoded by then).
    Bytes Build(const std::function<void(zorvane::stPackHeader&)>& tweak = {}) const;
    // The header Build writes, before any tweak; catalog, when given,
    // receives the masked catalogue bytes.
    zorvane::stPackHeader Header(Bytes* catalog = nullptr) const;
};

// Field-by-field equality of dates and permission blocks (the records have
// padding, so their bytes are not compared).
bool SameDate(const UTCDateTime& a, const UTCDateTime& b);
bool SamePermissions(const FSPermissionInfo& a, const FSPermissionInfo& b);

// Writes bytes to path; returns false when that fails.
bool WriteFileBytes(const std::string& path, const Bytes& bytes);
// Reads a whole file; empty when it is missing.
std::string ReadFileText(const std::string& path);
// n pseudo-random bytes, the same for the same seed.
std::string Random(std::size_t n, unsigned seed);

}  // namespace zvtest
