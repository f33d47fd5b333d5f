#include "copyengine/zrmCopyObject.h"

#include "copyengine/ObjectCopy.h"
#include "filelib/zrmFile.h"

bool zrmCopyObject(const FSRef* source, const FSRef* destDir, const char* newName,
                   FSRef* newObject) {
    HFSUniStr255 name{};
    if (newName != nullptr && !zrmPath2HFS255(newName, &name)) {
        return false;
    }
    const OSErr status = FSCopyObject(source, destDir, 0, kCatInfoNone, kDupActionReplace,
                                      newName != nullptr ? &name : nullptr, false, false, nullptr,
                                      nullptr, newObject, nullptr);
    return status == kNoErr;
}
