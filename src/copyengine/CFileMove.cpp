// CFile::MoveFile: a move by copy and delete, built on the copy engine.
#include "copyengine/zrmCopyObject.h"
#include "filelib/CFile.h"
#include "filelib/zrPath.h"
#include "platform/files.h"

namespace zrLib::File {

bool CFile::MoveFile(const char* source, const char* destination) {
    if (source == nullptr || destination == nullptr) {
        return false;
    }
    FSRef sourceRef;
    if (FSPathMakeRef(source, &sourceRef, nullptr) != kNoErr) {
        return false;
    }
    char folder[zrPathBufSize];
    char name[zrPathBufSize];
    zrSplitPath(destination, folder, name);
    FSRef folderRef;
    if (FSPathMakeRef(folder, &folderRef, nullptr) != kNoErr) {
        return false;
    }
    if (!zrmCopyObject(&sourceRef, &folderRef, name, nullptr)) {
        return false;
    }
    // Only what one delete removes goes: a file, a link or an empty folder.
    (void)FSDeleteObject(&sourceRef);
    return true;
}

}  // namespace zrLib::File
