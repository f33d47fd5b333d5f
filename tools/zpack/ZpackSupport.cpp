#include "ZpackSupport.h"

#include <errno.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace zpack {

bool OpenArchive(zorvane::CZPackedFile& archive, const char* path) {
    zorvane::PackStatus status = zorvane::PackStatus::kOk;
    if (archive.Open(path, &status)) {
        return true;
    }
    // Tell a missing or unreadable file apart from one that is no archive.
    std::ifstream probe(path, std::ios::binary);
    const int err = errno;
    const std::string shown = Printable(path);
    if (!probe) {
        std::fprintf(stderr, "zpack: %s: %s\n", shown.c_str(), std::strerror(err));
    } else if (status == zorvane::PackStatus::kTooShort ||
               status == zorvane::PackStatus::kBadMagic) {
        std::fprintf(stderr, "zpack: %s: not a packed archive\n", shown.c_str());
    } else {
        std::fprintf(stderr, "zpack: %s: damaged archive (%s)\n", shown.c_str(),
                     zorvane::PackStatusText(status));
    }
    return false;
}

std::string Printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            c = '?';
        }
    }
    return out;
}

std::string EntryPath(const zorvane::CZPackedFile& archive, unsigned long id) {
    const char* dir = archive.GetFileOutputPath(id);
    const char* name = archive.GetFileImageNameById(id);
    std::string path = dir ? dir : "";
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name ? name : "";
    return Printable(path);
}

}  // namespace zpack
