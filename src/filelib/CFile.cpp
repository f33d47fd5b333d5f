// CFile: opening, reading, writing and sizing one file by its path.
#include "filelib/CFile.h"

#include <cstdio>
#include <cstring>

#include "filelib/zrPath.h"
#include "filelib/zrmFile.h"
#include "platform/files.h"

namespace zrLib::File {

namespace {

constexpr signed char kReadPermission = 1;
constexpr signed char kWritePermission = 2;

// Copies a NUL-terminated string into a 1024-byte buffer; a string that does
// not fit gives the empty string.
void CopyPath(char* destination, const char* source) {
    std::size_t length = source != nullptr ? strnlen(source, zrPathBufSize) : 0;
    if (length >= zrPathBufSize) {
        length = 0;
    }
    std::memcpy(destination, source != nullptr ? source : "", length);
    destination[length] = '\0';
}

// Size of the first fork of ref, low 32 bits; 0 when it cannot be had.
unsigned int SizeOf(const FSRef& ref) {
    return zrmGetFileSize(&ref);
}

}  // namespace

CFile::CFile(const char* path, OPEN_MODE mode)
    : m_szPath{}, m_szName{}, m_nMode(mode), m_Ref{}, m_nForkRef(0), m_nOpenCount(0) {
    CopyPath(m_szPath, path);
    if (mode == OPEN_WRITE_EXISTING) {
        m_nMode = OPEN_WRITE;
        m_nOpenCount = 1;
    }
    CreateName();
}

CFile::~CFile() = default;

void CFile::CreateName() {
    if (Open(m_szPath, OPEN_READ) == 0) {
        CopyPath(m_szName, m_szPath);
        return;
    }
    char file[zrPathBufSize];
    zrSplitPath(m_szPath, nullptr, file);
    char part[256];  // at most 255 bytes of the file part
    std::size_t length = strnlen(file, sizeof part - 1);
    std::memcpy(part, file, length);
    part[length] = '\0';
    std::snprintf(m_szName, sizeof m_szName, "%s_%08x_%08x", part, 0u, SizeOf(m_Ref));
    Close();
}

int CFile::Open(const char* path, OPEN_MODE mode) {
    if (path == nullptr) {
        return 0;
    }
    if (mode == OPEN_WRITE) {
        char folder[zrPathBufSize];
        char file[zrPathBufSize];
        zrSplitPath(path, folder, file);
        FSRef folderRef;
        if (!zrmGetFileRef(&folderRef, folder) || !zrmIsDirectory(&folderRef)) {
            return 0;
        }
        if (m_nOpenCount == 0 && !zrmCreateFile(&m_Ref, &folderRef, file)) {
            return 0;
        }
        if (!zrmOpenFile(&m_nForkRef, &m_Ref, kWritePermission)) {
            return 0;
        }
    } else if (mode == OPEN_READ) {
        FSRef ref;
        if (!zrmGetFileRef(&ref, path)) {
            return 0;
        }
        m_Ref = ref;
        if (!zrmOpenFile(&m_nForkRef, &m_Ref, kReadPermission)) {
            return 0;
        }
    } else {
        m_nForkRef = 0;  // nothing opened: every fork call fails
    }
    ++m_nOpenCount;
    return 1;
}

bool CFile::Close() {
    bool closed = zrmCloseFile(&m_nForkRef);
    m_nForkRef = 0;  // the number may be handed to another open from now on
    return closed;
}

unsigned int CFile::GetSize() {
    if (Open(m_szPath, m_nMode) == 0) {
        return 0;
    }
    unsigned int size = m_nForkRef != 0 ? SizeOf(m_Ref) : 0;
    Close();
    return size;
}

unsigned int CFile::Read(void* buffer, unsigned int size, unsigned int offset) {
    if (Open(m_szPath, m_nMode) == 0) {
        return 0;
    }
    bool ok = zrmReadFile(m_nForkRef, static_cast<int>(offset), static_cast<unsigned char*>(buffer),
                          static_cast<int>(size));
    Close();
    return ok ? size : 0;
}

void CFile::Write(const void* buffer, unsigned int size, unsigned int offset) {
    if (Open(m_szPath, m_nMode) == 0) {
        return;
    }
    int end = static_cast<int>(offset + size);
    bool fits = offset <= 0x7FFFFFFFu && size <= 0x7FFFFFFFu - offset;
    if (fits && zrmWriteFile(m_nForkRef, static_cast<int>(offset),
                             static_cast<const unsigned char*>(buffer), static_cast<int>(size))) {
        zrmSetFileSize(m_nForkRef, end);
    }
    Close();
}

}  // namespace zrLib::File
