// Fuzz target for the archive reader: opens the input as an archive, reads
// every entry's bytes and extracts all entries into a scratch folder.
//
// Beside the sanitizers' own checks it asserts the promise that matters most
// for untrusted archives: nothing is written outside the extraction folder,
// not even through a link planted inside it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "archive/CZPackedFile.h"
#include "archive/PackCatalog.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Scratch& s = TheScratch();
    s.Reset();
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
        archive.CheckAllData();
    }
    s.CheckNothingEscaped();
    return 0;
}
