// Benchmark helper: packs a folder tree into a packed archive with the
// library's format encoder, as the archive writer would (level-9 streams,
// MD5 of each stream, output folders "./<top>/<sub>/", times and modes).
//
//   bench_extract_pack TREE ARCHIVE
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/PackCatalog.h"
#include "archive/stPackHeader.h"
#include "archive/stPackRecord.h"
#include "md5/md5.h"
#include "platform/dates.h"

namespace fs = std::filesystem;
using namespace zorvane;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

bool FillRecord(stPackRecord& r, const fs::path& file, const std::string& outputPath,
                const std::string& data, const std::string& stream, std::uint32_t offset) {
    if (file.filename().string().size() >= kPackNameSize || outputPath.size() >= kPackNameSize) {
        return false;
    }
    std::strcpy(r.szFname, file.filename().c_str());
    std::strcpy(r.szOutputPath, outputPath.c_str());
    r.nOffset = offset;
    r.nSize = static_cast<std::uint32_t>(data.size());
    r.nPackedSize = static_cast<std::uint32_t>(stream.size());
    md5_record st;
    md5_init(&st);
    md5_append(&st, reinterpret_cast<const unsigned char*>(stream.data()),
               static_cast<std::int32_t>(stream.size()));
    md5_finish(&st, r.digest);
    struct stat sb;
    if (stat(file.c_str(), &sb) == 0) {
        r.contentModDate = UTCDateTimeFromTimespec(sb.st_mtim);
        r.accessDate = UTCDateTimeFromTimespec(sb.st_atim);
        r.permissions.userID = sb.st_uid;
        r.permissions.groupID = sb.st_gid;
        r.permissions.mode = static_cast<std::uint16_t>(sb.st_mode);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_extract_pack TREE ARCHIVE\n");
        return 2;
    }
    const fs::path tree = fs::path(argv[1]).lexically_normal();
    const std::string top =
        tree.filename().empty() ? tree.parent_path().filename().string() : tree.filename().string();
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(tree)) {
        if (e.is_regular_file()) {
            files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());

    const std::string dataPath = std::string(argv[2]) + ".streams";
    std::ofstream streams(dataPath, std::ios::binary | std::ios::trunc);
    std::vector<unsigned char> records(files.size() * kPackRecordSize);
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string data = ReadAll(files[i]);
        uLongf n = compressBound(data.size());
        std::string stream(n, '\0');
        compress2(reinterpret_cast<Bytef*>(stream.data()), &n,
                  reinterpret_cast<const Bytef*>(data.data()), data.size(), 9);
        stream.resize(n);
        std::string rel = files[i].parent_path().lexically_relative(tree).string();
        std::string outputPath = "./" + top + "/" + (rel == "." ? "" : rel + "/");
        stPackRecord r;
        if (!FillRecord(r, files[i], outputPath, data, stream, offset)) {
            std::fprintf(stderr, "bench_extract_pack: %s: name too long\n", files[i].c_str());
            return 1;
        }
        r.Encode(records.data() + i * kPackRecordSize);
        streams.write(stream.data(), static_cast<std::streamsize>(stream.size()));
        offset += static_cast<std::uint32_t>(stream.size());
    }
    streams.close();

    stPackHeader h;
    std::vector<unsigned char> catalog;
    h.key = 0x5EED1234;
    if (!EncodePackCatalog(records.data(), records.size(), h.key, catalog, h.checksum)) {
        std::fprintf(stderr, "bench_extract_pack: cannot encode the catalogue\n");
        return 1;
    }
    h.magic = kPackMagic;
    h.version = kPackVersion;
    h.fileNum = static_cast<std::uint32_t>(files.size());
    h.catalogPackedSize = static_cast<std::uint32_t>(catalog.size());
    h.catalogSize = static_cast<std::uint32_t>(records.size());
    unsigned char head[kPackHeaderSize];
    h.Encode(head);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(head), sizeof head);
    out.write(reinterpret_cast<const char*>(catalog.data()),
              static_cast<std::streamsize>(catalog.size()));
    std::ifstream in(dataPath, std::ios::binary);
    out << in.rdbuf();
    out.close();
    fs::remove(dataPath);
    std::printf("packed %zu files, %u stream bytes\n", files.size(), offset);
    return out ? 0 : 1;
}
