// zpack list ARCHIVE: one line per entry: id, size, stored size, path.
#include <cstdio>

#include "ZpackCommand.h"
#include "ZpackSupport.h"

namespace zpack {

int RunList(int argc, char** argv) {
    if (HelpRequested(argc, argv)) {
        return kExitOk;
    }
    if (argc != 2) {
        return UsageError("list", argc < 2 ? "missing ARCHIVE" : "too many arguments");
    }
    zorvane::CZPackedFile archive;
    if (!OpenArchive(archive, argv[1])) {
        return kExitFailure;
    }
    for (unsigned long id = 0; id < archive.GetFileImageNum(); ++id) {
        std::printf("%6lu %12lu %12lu  %s\n", id, archive.GetFileImageSizeById(id),
                    archive.GetFilePackedSizeById(id), EntryPath(archive, id).c_str());
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

}  // namespace zpack
