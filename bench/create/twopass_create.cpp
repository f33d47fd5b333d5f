// Benchmark peer: the archive writer's single-threaded two-pass form (every
// pending file compressed twice, one at a time), on the catalogue that
// `zpack create ARCHIVE FOLDER` builds for the same folder.
//
//   bench_create_twopass ARCHIVE FOLDER
#include <cstdio>
#include <filesystem>
#include <string>

#include "TwoPassArchive.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_create_twopass ARCHIVE FOLDER\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const std::string archive = fs::absolute(argv[1]).lexically_normal().string();
    std::string folder = fs::absolute(argv[2]).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    zvtest::TwoPassArchive a;
    if (!a.AddFilePath(folder.c_str(), "./") || !a.SaveTwoPass(archive.c_str())) {
        std::fprintf(stderr, "bench_create_twopass: failed\n");
        return 1;
    }
    return 0;
}
