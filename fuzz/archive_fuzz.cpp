// Fuzz target for the archive reader: opens the input as an archive, reads
// every entry's bytes and extracts all entries into a scratch folder, one by
// one and as a batch.
//
// Beside the sanitizers' own checks it asserts the promise that matters most
// for untrusted archives: nothing is written outside the extraction folder,
// not even through a link planted inside it.
//
// Checksums and digests stop random mutations early, so inputs whose key has
// bit 8 set (a bit the format ignores) are taken as a plain form: the header,
// then the catalogue records uncompressed (catalogPackedSize bytes), then the
// data area. The harness fixes each record's digest for the stream bytes it
// points at, compresses, sums and masks the catalogue, and runs the result.
// That lets the fuzzer mutate names, paths and sizes directly.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include <vector>

#include "archive/CZPackedFile.h"
#include "archive/PackCatalog.h"
#include "archive/stPackHeader.h"
#include "archive/stPackRecord.h"
#include "md5/md5.h"

namespace fs = std::filesystem;

namespace {

// scratch/input.bin, scratch/target (extraction), scratch/outside (must stay
// empty); target/link leads to outside.
struct Scratch {
    fs::path root, input, target, outside;

    Scratch() {
        std::error_code ec;
        char pattern[] = "/tmp/zv-archive-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        root = made;
        input = root / "input.bin";
        target = root / "target";
        outside = root / "outside";
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void Reset() const {
        std::error_code ec;
        fs::remove_all(target, ec);
        fs::remove_all(outside, ec);
        fs::create_directories(target);
        fs::create_directories(outside);
        fs::create_directory_symlink(outside, target / "link", ec);
    }
    void CheckNothingEscaped() const {
        std::error_code ec;
        if (!fs::is_empty(outside, ec)) {
            std::fprintf(stderr, "archive_fuzz: a file was written outside the target folder\n");
            std::abort();
        }
        for (const auto& e : fs::directory_iterator(root, ec)) {
            const fs::path& p = e.path();
            if (p != input && p != target && p != outside) {
                std::fprintf(stderr, "archive_fuzz: stray object %s\n", p.c_str());
                std::abort();
            }
        }
    }
};

const Scratch& TheScratch() {
    static const Scratch scratch;
    return scratch;
}

bool WriteInput(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

constexpr std::uint32_t kPlainFormBit = 0x100;

// Turns an input in the plain form into a real archive; false for any other
// input.
bool BuildFromPlainForm(const std::uint8_t* data, std::size_t size,
                        std::vector<std::uint8_t>& out) {
    using namespace zorvane;
    if (size < kPackHeaderSize) {
        return false;
    }
    stPackHeader h = stPackHeader::Decode(data);
    if (!(h.key & kPlainFormBit)) {
        return false;
    }
    const std::size_t plainLen = std::min<std::size_t>(h.catalogPackedSize, size - kPackHeaderSize);
    std::vector<unsigned char> records(data + kPackHeaderSize, data + kPackHeaderSize + plainLen);
    const std::uint8_t* area = data + kPackHeaderSize + plainLen;
    const std::size_t areaLen = size - kPackHeaderSize - plainLen;
    for (std::size_t at = 0; at + kPackRecordSize <= records.size(); at += kPackRecordSize) {
        stPackRecord r;
        stPackRecord::Decode(records.data() + at, r);
        if (std::uint64_t{r.nOffset} + r.nPackedSize <= areaLen) {
            md5_record st;
            md5_init(&st);
            md5_append(&st, area + r.nOffset, static_cast<std::int32_t>(r.nPackedSize));
            md5_finish(&st, r.digest);
        }
        r.Encode(records.data() + at);
    }
    std::vector<unsigned char> catalog;
    if (!EncodePackCatalog(records.data(), records.size(), h.key, catalog, h.checksum)) {
        return false;
    }
    h.catalogPackedSize = static_cast<std::uint32_t>(catalog.size());
    out.resize(kPackHeaderSize);
    h.Encode(out.data());
    out.insert(out.end(), catalog.begin(), catalog.end());
    out.insert(out.end(), area, area + areaLen);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Scratch& s = TheScratch();
    s.Reset();
    std::vector<std::uint8_t> built;
    if (BuildFromPlainForm(data, size, built)) {
        data = built.data();
        size = built.size();
    }
    if (!WriteInput(s.input, data, size)) {
        std::abort();
    }
    zorvane::CZPackedFile archive;
    if (archive.Open(s.input.c_str())) {
        // A caller sizes its buffer from the entry's length; lengths beyond
        // what this input could decompress to are refused by the reader, so
        // the harness skips allocating for them.
        const std::uint64_t cap = zorvane::PackMaxInflatedSize(size);
        for (unsigned long id = 0; id < archive.GetFileImageNum(); ++id) {
            const unsigned long n = archive.GetFileImageSizeById(id);
            if (n > cap) {
                if (archive.GetFileImageById(id, nullptr)) {
                    std::abort();  // an implausible length must never succeed
                }
                continue;
            }
            std::unique_ptr<unsigned char[]> buffer(new unsigned char[n ? n : 1]);
            archive.GetFileImageById(id, buffer.get());
            archive.CheckFileById(id);
        }
        archive.OutputAllFile(s.target.c_str(), "", true);
        archive.OutputAllFile(s.target.c_str(), "x-", false);
        // The batch form, as zpack extract uses it: read-ahead window, kept
        // folder handles, empty entries written.
        std::vector<unsigned long> ids(archive.GetFileImageNum());
        for (unsigned long id = 0; id < ids.size(); ++id) {
            ids[id] = ids.size() - 1 - id;  // backwards: windows refill
        }
        archive.OutputFilesById(ids.data(), ids.size(), s.target.c_str(), "y-", true, true,
                                nullptr);
        archive.CheckAllData();
    }
    s.CheckNothingEscaped();
    return 0;
}
