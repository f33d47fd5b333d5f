// FileCopy SOURCE DESTINATION
//
// Copies SOURCE (a file, a link or a folder tree) to exactly the path
// DESTINATION, replacing what is there only once the copy is complete, and
// creates DESTINATION's missing parent folders. Prints one line naming what
// it copied, or one error line on stderr. Exit status 0 on success, 1 on any
// failure (126 and 127 belong to the privileged launcher).
//
// It runs with administrator rights on a tree that the user controls, so it
// takes exactly two absolute paths, reads no environment, and never follows a
// symbolic link inside SOURCE: links are copied as links.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "copyengine/zrmCopyObject.h"
#include "filelib/CFile.h"
#include "filelib/zrPath.h"
#include "platform/files.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

int Usage() {
    std::fputs("usage: FileCopy SOURCE DESTINATION (two absolute paths)\n", stderr);
    return kFailure;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "FileCopy: %s\n", message.c_str());
    return kFailure;
}

bool IsAbsolutePath(const char* path) {
    return path[0] == '/' && std::strlen(path) <= zrPathMaxLen;
}

// What SOURCE is, for the messages.
const char* KindOf(const FSRef* source) {
    FSCatalogInfo info{};
    if (FSGetCatalogInfo(source, kCatInfoNodeFlags | kCatInfoFinderInfo, &info, nullptr, nullptr,
                         nullptr) != kNoErr) {
        return "object";
    }
    if ((info.nodeFlags & kNodeIsDirectory) != 0) {
        return "folder";
    }
    const bool isLink = info.finderInfo.fileType == kSymLinkFileType &&
                        info.finderInfo.fileCreator == kSymLinkCreator;
    return isLink ? "link" : "file";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || !IsAbsolutePath(argv[1]) || !IsAbsolutePath(argv[2])) {
        return Usage();
    }
    // Folders this tool creates get the usual rights, whatever umask the
    // caller had.
    umask(022);
    const std::string sourcePath = argv[1];
    std::string destination = argv[2];
    while (destination.size() > 1 && destination.back() == '/') {
        destination.pop_back();
    }
    char folder[zrPathBufSize];
    char name[zrPathBufSize];
    zrSplitPath(destination.c_str(), folder, name);
    if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
        return Usage();
    }

    FSRef source;
    if (FSPathMakeRef(sourcePath.c_str(), &source, nullptr) != kNoErr) {
        return Fail(sourcePath + ": no such file or folder");
    }
    const char* kind = KindOf(&source);
    FSRef destFolder;
    if (!zrLib::File::CFile::CheckDirectory(folder, true) ||
        FSPathMakeRef(folder, &destFolder, nullptr) != kNoErr) {
        return Fail(std::string("cannot create the folder ") + folder);
    }
    if (!zrmCopyObject(&source, &destFolder, name, nullptr)) {
        return Fail(std::string("could not copy ") + kind + " " + sourcePath + " to " +
                    destination);
    }
    std::printf("FileCopy: copied %s %s to %s\n", kind, sourcePath.c_str(), destination.c_str());
    return std::fflush(stdout) == 0 ? kSuccess : kFailure;
}
