// Native file operations over the platform file layer.
#include "filelib/zrmFile.h"

#include <cstring>
#include <new>
#include <string>

#include "filelib/CUniChar.h"
#include "filelib/zrPath.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/names.h"
#include "platform/places.h"

namespace {

constexpr std::int64_t kCopyChunk = 65536;
constexpr std::int64_t kWriteBlock = 512;
constexpr std::uint16_t kNoCacheFromStart = kFSFromStart | kFSNoCacheMask;  // 33
constexpr OSType kLegacyFileType = 0x34414E59;                              // '4ANY'
constexpr OSType kLegacyCreator = 0x46494C45;                               // 'FILE'

// The path of a reference, within a 1024-byte buffer.
bool PathOf(const FSRef* ref, char* path) {
    return ref != nullptr && FSRefMakePath(ref, path, zrPathMaxLen) == kNoErr;
}

// True when name, taken literally, names one object inside a folder.
bool IsChildName(const char* name) {
    return name != nullptr && name[0] != '\0' && std::strchr(name, '/') == nullptr &&
           std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

// Looks name up literally inside parent (no leading characters dropped).
bool LookUpLiteral(const FSRef* parent, const char* name, FSRef* out) {
    char folder[zrPathBufSize];
    if (name == nullptr || !PathOf(parent, folder)) {
        return false;
    }
    std::string joined = folder;
    if (joined.back() != '/') {
        joined += '/';
    }
    joined += name;
    FSRef found;
    if (joined.size() > zrPathMaxLen || FSPathMakeRef(joined.c_str(), &found, nullptr) != kNoErr) {
        return false;
    }
    if (out != nullptr) {
        *out = found;
    }
    return true;
}

// Legacy volume-rooted path to a POSIX path (see zrmFile.h); false when it
// cannot be mapped.
bool LegacyToPosix(const char* legacy, std::string* posix) {
    if (legacy == nullptr) {
        return false;
    }
    std::size_t length = std::strlen(legacy);
    if (length == 0 || length > 255) {
        return false;
    }
    std::string text(legacy, length);
    bool relative = text[0] == ':' || text.find(':') == std::string::npos;
    std::size_t pos = text[0] == ':' ? 1 : 0;
    std::string out = relative ? "" : "/";
    bool any = false;
    auto add = [&](const std::string& part) {
        out += any ? "/" : "";
        out += part;
        any = true;
    };
    while (pos < text.size()) {
        if (text[pos] == ':') {  // a colon that follows a colon goes up one folder
            add("..");
            ++pos;
            continue;
        }
        std::size_t colon = text.find(':', pos);
        std::string part =
            text.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
        if (part == "." || part == "..") {
            return false;
        }
        for (char& c : part) {
            c = c == '/' ? ':' : c;
        }
        add(part);
        pos = colon == std::string::npos ? text.size() : colon + 1;  // eats one separator
    }
    if (!any) {
        out = ".";
    }
    if (out.size() > zrPathMaxLen) {
        return false;
    }
    *posix = out;
    return true;
}

// The folder and the last name of a legacy full path, for creating it.
bool LegacyParentAndName(const char* legacy, FSRef* parent, std::string* name) {
    std::string posix;
    if (!LegacyToPosix(legacy, &posix)) {
        return false;
    }
    char folder[zrPathBufSize];
    char last[zrPathBufSize];
    zrSplitPath(posix.c_str(), folder, last);
    if (!IsChildName(last)) {
        return false;
    }
    *name = last;
    return FSPathMakeRef(folder[0] != '\0' ? folder : ".", parent, nullptr) == kNoErr;
}

// UTF-16 of a name held by a CUniChar; false when it cannot be converted.
bool ToUniChar(const char* name, CUniChar* out) {
    out->m_pChars = nullptr;
    out->m_nLength = UTF8ToUniChar(name, &out->m_pChars);
    return out->m_nLength > 0;
}

bool CreateDirIn(FSRef* newRef, const FSRef* parent, const char* name) {
    CUniChar uni;
    if (!ToUniChar(name, &uni)) {
        return false;
    }
    return FSCreateDirectoryUnicode(parent, static_cast<UniCharCount>(uni.m_nLength), uni.m_pChars,
                                    0, nullptr, newRef, nullptr, nullptr) == kNoErr;
}

bool CreateFileIn(FSRef* newRef, const FSRef* parent, const char* name, FSCatalogInfoBitmap which,
                  const FSCatalogInfo* info) {
    CUniChar uni;
    if (!ToUniChar(name, &uni)) {
        return false;
    }
    return FSCreateFileUnicode(parent, static_cast<UniCharCount>(uni.m_nLength), uni.m_pChars,
                               which, info, newRef, nullptr) == kNoErr;
}

// The first fork of a file: its data fork. Folders have no data here.
bool FirstFork(const FSRef* file, HFSUniStr255* name, std::int64_t* size) {
    if (file == nullptr || zrmIsDirectory(file)) {
        return false;
    }
    ForkIterator iterator{};
    return FSIterateForks(file, &iterator, name, size, nullptr) == kNoErr;
}

// Copies size bytes between two open forks in chunks; the last write is
// rounded up to a whole number of 512-byte blocks.
bool CopyChunks(FSIORefNum source, FSIORefNum destination, std::int64_t size,
                unsigned char* buffer) {
    for (std::int64_t offset = 0; offset < size; offset += kCopyChunk) {
        std::int64_t chunk = size - offset < kCopyChunk ? size - offset : kCopyChunk;
        std::int64_t written = (chunk + kWriteBlock - 1) / kWriteBlock * kWriteBlock;
        if (FSReadFork(source, kNoCacheFromStart, offset, static_cast<std::uint32_t>(chunk), buffer,
                       nullptr) != kNoErr ||
            FSWriteFork(destination, kNoCacheFromStart, offset, static_cast<std::uint32_t>(written),
                        buffer, nullptr) != kNoErr) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool zrmFullPath2FSRef(FSRef* out, const char* legacyPath) {
    std::string posix;
    FSRef found;
    if (out == nullptr || !LegacyToPosix(legacyPath, &posix) ||
        FSPathMakeRef(posix.c_str(), &found, nullptr) != kNoErr) {
        return false;
    }
    *out = found;
    return true;
}

bool zrmPath2HFS255(const char* name, HFSUniStr255* out) {
    return name != nullptr && out != nullptr && HFSUniStr255FromUtf8(name, out) == kNoErr;
}

int UTF8ToUniChar(const char* text, unsigned short** array) {
    if (text == nullptr || array == nullptr) {
        return 0;
    }
    std::size_t bytes = std::strlen(text);
    long units = Utf8ToUtf16Length(text, bytes);
    if (units < 0 || units > 0x7FFFFFFE) {
        return 0;
    }
    auto* chars = new (std::nothrow) unsigned short[static_cast<std::size_t>(units) + 1];
    if (chars == nullptr) {
        return 0;
    }
    Utf8ToUtf16(text, bytes, chars, static_cast<std::size_t>(units));
    chars[units] = 0;
    *array = chars;
    return static_cast<int>(units);
}

bool zrmGetApplicationPath(FSRef* out, const char* bundleIdentifier) {
    return out != nullptr && bundleIdentifier == nullptr &&
           BundleGetApplicationFolder(out) == kNoErr;
}

bool zrmGetDotAppPath(FSRef* out, const char* bundleIdentifier) {
    return out != nullptr && bundleIdentifier == nullptr && BundleGetMainBundle(out) == kNoErr;
}

bool zrmGetResourcesPath(FSRef* out, const char* bundleIdentifier) {
    return out != nullptr && bundleIdentifier == nullptr && BundleGetResourcesFolder(out) == kNoErr;
}

bool zrmGetParentDirRef(FSRef* parent, const FSRef* object) {
    return parent != nullptr && object != nullptr &&
           FSGetCatalogInfo(object, kCatInfoNone, nullptr, nullptr, nullptr, parent) == kNoErr;
}

bool zrmGetFileRef(FSRef* out, const char* path) {
    FSRef application;
    char folder[zrPathBufSize];
    if (out == nullptr || path == nullptr || !zrmGetApplicationPath(&application, nullptr) ||
        !PathOf(&application, folder)) {
        return false;
    }
    char joined[zrPathBufSize];
    zrMakePath(joined, folder, path, nullptr);
    FSRef found;
    if (joined[0] != '\0' && FSPathMakeRef(joined, &found, nullptr) == kNoErr) {
        *out = found;
        return true;
    }
    if (path[0] == '\0' || FSPathMakeRef(path, &found, nullptr) != kNoErr) {
        return false;
    }
    *out = found;
    return true;
}

bool zrmCheckExisting(const FSRef* parent, const char* name, FSRef* out) {
    char folder[zrPathBufSize];
    if (name == nullptr || !PathOf(parent, folder)) {
        return false;
    }
    char joined[zrPathBufSize];
    zrCatPath(joined, folder, name);
    FSRef found;
    if (joined[0] == '\0' || FSPathMakeRef(joined, &found, nullptr) != kNoErr) {
        return false;
    }
    if (out != nullptr) {
        *out = found;
    }
    return true;
}

bool zrmIsDirectory(const FSRef* ref) {
    FSCatalogInfo info{};
    return ref != nullptr &&
           FSGetCatalogInfo(ref, kCatInfoNodeFlags, &info, nullptr, nullptr, nullptr) == kNoErr &&
           (info.nodeFlags & kNodeIsDirectory) != 0;
}

bool zrmCreateDir(FSRef* newRef, const FSRef* parent, const char* name) {
    FSRef existing;
    bool found = parent != nullptr ? LookUpLiteral(parent, name, &existing)
                                   : zrmFullPath2FSRef(&existing, name);
    if (found) {
        if (!zrmIsDirectory(&existing)) {
            return false;
        }
        if (newRef != nullptr) {
            *newRef = existing;
        }
        return true;
    }
    if (parent != nullptr) {
        return CreateDirIn(newRef, parent, name);
    }
    FSRef folder;
    std::string last;
    return LegacyParentAndName(name, &folder, &last) && CreateDirIn(newRef, &folder, last.c_str());
}

bool zrmCreateFile(FSRef* newRef, const FSRef* parent, const char* name) {
    FSRef folder;
    std::string last;
    FSCatalogInfoBitmap which = kCatInfoNone;
    FSCatalogInfo info{};
    if (parent != nullptr) {
        if (!IsChildName(name)) {
            return false;
        }
        folder = *parent;
        last = name;
    } else {
        if (!LegacyParentAndName(name, &folder, &last)) {
            return false;
        }
        which = kCatInfoFinderInfo;
        info.finderInfo.fileType = kLegacyFileType;
        info.finderInfo.fileCreator = kLegacyCreator;
    }
    FSRef existing;
    if (LookUpLiteral(&folder, last.c_str(), &existing)) {
        zrmRemoveFile(&existing);  // a folder with contents stays; creating then fails
    }
    return CreateFileIn(newRef, &folder, last.c_str(), which, &info);
}

bool zrmRemoveFile(const FSRef* parent, const char* name) {
    FSRef application{};
    if (parent == nullptr) {
        zrmGetApplicationPath(&application, nullptr);
        parent = &application;
    }
    FSRef object;
    return IsChildName(name) && LookUpLiteral(parent, name, &object) && zrmRemoveFile(&object);
}

bool zrmRemoveFile(const FSRef* object) {
    return object != nullptr && FSDeleteObject(object) == kNoErr;
}

bool zrmMoveFile(const FSRef* object, const FSRef* destination, FSRef* newRef) {
    return object != nullptr && destination != nullptr &&
           FSMoveObject(object, destination, newRef) == kNoErr;
}

bool zrmMoveFile(const FSRef* parent, const char* name, const FSRef* destination, FSRef* newRef) {
    FSRef object;
    return IsChildName(name) && LookUpLiteral(parent, name, &object) &&
           zrmMoveFile(&object, destination, newRef);
}

bool zrmRenameFile(const FSRef* object, const char* name, FSRef* newRef) {
    CUniChar uni;
    if (object == nullptr || !ToUniChar(name, &uni)) {
        return false;
    }
    return FSRenameUnicode(object, static_cast<UniCharCount>(uni.m_nLength), uni.m_pChars,
                           kTextEncodingUnknown, newRef) == kNoErr;
}

bool zrmCopyFile(const FSRef* sourceParent, const char* name, const FSRef* destinationParent,
                 FSRef* newRef) {
    FSRef source;
    if (!IsChildName(name) || !LookUpLiteral(sourceParent, name, &source)) {
        return false;
    }
    FSRef existing;
    if (LookUpLiteral(destinationParent, name, &existing)) {
        if (FSCompareFSRefs(&existing, &source) == kNoErr) {
            return false;  // copying a file onto itself would delete it
        }
        zrmRemoveFile(&existing);
    }
    FSRef created;
    if (!zrmCreateFile(&created, destinationParent, name) || !zrmCopyFile(&source, &created)) {
        return false;
    }
    if (newRef != nullptr) {
        *newRef = created;
    }
    return true;
}

bool zrmCopyFile(const FSRef* source, const FSRef* destination) {
    HFSUniStr255 forkName{};
    std::int64_t size = 0;
    if (destination == nullptr || zrmIsDirectory(destination) ||
        !FirstFork(source, &forkName, &size) ||
        FSCreateFork(destination, forkName.length, forkName.unicode) != kNoErr) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    FSIORefNum to = 0;
    FSIORefNum from = 0;
    if (FSOpenFork(destination, forkName.length, forkName.unicode, kFSWritePerm, &to) != kNoErr) {
        return false;
    }
    if (FSOpenFork(source, forkName.length, forkName.unicode, kFSReadPerm, &from) != kNoErr) {
        FSCloseFork(to);
        return false;
    }
    bool ok = FSAllocateFork(to, kFSAllocNoRoundUp, kFSFromStart, 0,
                             static_cast<std::uint64_t>(size), nullptr) == kNoErr;
    auto* buffer = static_cast<unsigned char*>(ok ? NewPtr(kCopyChunk) : nullptr);
    ok = ok && buffer != nullptr && CopyChunks(from, to, size, buffer);
    // Cuts off the rounding of the last write; a copy whose length is then
    // still wrong is not a copy.
    bool sized = FSSetForkSize(to, kFSFromStart, size) == kNoErr;
    DisposePtr(buffer);
    FSCloseFork(to);
    FSCloseFork(from);
    return ok && sized;
}

bool zrmOpenFile(short* fork, const FSRef* file, signed char permission) {
    HFSUniStr255 name{};
    std::int64_t size = 0;
    FSIORefNum number = 0;
    if (fork == nullptr || !FirstFork(file, &name, &size) ||
        FSOpenFork(file, name.length, name.unicode, permission, &number) != kNoErr) {
        return false;
    }
    *fork = number;
    return true;
}

bool zrmCloseFile(short* fork) {
    return fork != nullptr && FSCloseFork(*fork) == kNoErr;
}

bool zrmReadFile(short fork, int offset, unsigned char* buffer, int count) {
    return offset >= 0 && count >= 0 &&
           FSReadFork(fork, kNoCacheFromStart, offset, static_cast<std::uint32_t>(count), buffer,
                      nullptr) == kNoErr;
}

bool zrmWriteFile(short fork, int offset, const unsigned char* buffer, int count) {
    return offset >= 0 && count >= 0 &&
           FSWriteFork(fork, kNoCacheFromStart, offset, static_cast<std::uint32_t>(count), buffer,
                       nullptr) == kNoErr;
}

unsigned int zrmGetFileSize(const FSRef* file) {
    std::int64_t size = 0;
    if (!FirstFork(file, nullptr, &size)) {
        return 0;
    }
    return static_cast<unsigned int>(static_cast<std::uint64_t>(size) & 0xFFFFFFFFu);
}

bool zrmSetFileSize(short fork, int size) {
    return size >= 0 && FSSetForkSize(fork, kFSFromStart, size) == kNoErr;
}
