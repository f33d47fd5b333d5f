// zpack: lists, extracts and verifies packed archives.
#include <cstdio>
#include <cstring>

#include "ZpackCommand.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        zpack::PrintUsage(true);
        return zpack::kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        zpack::PrintUsage(false);
        return zpack::kExitOk;
    }
    for (const zpack::ZpackCommand* c = zpack::kCommands; c->name; ++c) {
        if (std::strcmp(argv[1], c->name) == 0) {
            return c->run(argc - 1, argv + 1);
        }
    }
    std::fprintf(stderr, "zpack: unknown command '%s'\n", argv[1]);
    zpack::PrintUsage(true);
    return zpack::kExitUsage;
}
