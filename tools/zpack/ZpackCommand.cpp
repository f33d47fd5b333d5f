#include "ZpackCommand.h"

#include <cstdio>
#include <string_view>

namespace zpack {

const ZpackCommand kCommands[] = {
    {"list", "ARCHIVE", "show id, size, stored size and path of every entry", RunList},
    {"extract", "ARCHIVE [-C DIR] [NAME...]",
     "write entries (all, or those named) under DIR, default the current folder", RunExtract},
    {"verify", "ARCHIVE", "check every entry's stored data; name each damaged one", RunVerify},
    {"create", "ARCHIVE PATH... [--output-path P]",
     "build ARCHIVE from files and folders; a folder's files go under ./FOLDER/..., single "
     "files under P (default ./)",
     RunCreate},
    {nullptr, nullptr, nullptr, nullptr},
};

void PrintUsage(bool toStderr) {
    std::FILE* out = toStderr ? stderr : stdout;
    std::fprintf(out, "usage: zpack COMMAND ARGS...\n       zpack --help\n\ncommands:\n");
    for (const ZpackCommand* c = kCommands; c->name; ++c) {
        std::fprintf(out, "  zpack %s %s\n      %s\n", c->name, c->synopsis, c->summary);
    }
    std::fprintf(out,
                 "\nexit status: 0 success, 1 an entry or the archive failed, 2 usage error\n");
}

namespace {

void PrintCommandUsage(std::FILE* out, std::string_view command) {
    for (const ZpackCommand* c = kCommands; c->name; ++c) {
        if (command == c->name) {
            std::fprintf(out, "usage: zpack %s %s\n  %s\n", c->name, c->synopsis, c->summary);
        }
    }
}

}  // namespace

bool HelpRequested(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--") {
            break;
        }
        if (a == "--help" || a == "-h") {
            PrintCommandUsage(stdout, argv[0]);
            return true;
        }
    }
    return false;
}

int UsageError(const char* command, const char* message) {
    std::fprintf(stderr, "zpack %s: %s\n", command, message);
    PrintCommandUsage(stderr, command);
    return kExitUsage;
}

}  // namespace zpack
