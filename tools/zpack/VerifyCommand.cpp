// zpack verify ARCHIVE: checks every entry's stored stream (digest and
// decompression to the recorded length) and names each damaged entry.
#include <cstdio>
#include <vector>

#include "ZpackCommand.h"
#include "ZpackSupport.h"

namespace zpack {

int RunVerify(int argc, char** argv) {
    if (HelpRequested(argc, argv)) {
        return kExitOk;
    }
    if (argc != 2) {
        return UsageError("verify", argc < 2 ? "missing ARCHIVE" : "too many arguments");
    }
    zorvane::CZPackedFile archive;
    if (!OpenArchive(archive, argv[1])) {
        return kExitFailure;
    }
    const unsigned long total = archive.GetFileImageNum();
    std::vector<unsigned long> bad;
    if (total > 0 && !archive.CheckAllData(&bad) && bad.empty()) {
        std::fprintf(stderr, "zpack: %s: cannot be checked\n", Printable(argv[1]).c_str());
        return kExitFailure;
    }
    for (unsigned long id : bad) {
        std::fprintf(stderr, "zpack: %s: entry %lu damaged: %s\n", Printable(argv[1]).c_str(), id,
                     EntryPath(archive, id).c_str());
    }
    std::printf("%lu entries checked, %zu damaged\n", total, bad.size());
    return bad.empty() ? kExitOk : kExitFailure;
}

}  // namespace zpack
