// CFile's file-system utilities: the temporary folder and names in it,
// folder tests and creation, and file-name trees.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "filelib/CFile.h"
#include "filelib/zrPath.h"
#include "filelib/zrmFile.h"
#include "platform/files.h"
#include "platform/places.h"

namespace zrLib::File {

namespace {

constexpr int kFirstFolderNameLength = 12;
constexpr int kFileNameLength = 63;
constexpr std::uint32_t kListingBatch = 10;

// Writes text into a buffer of size bytes; false (and "") when it does not fit.
bool Put(char* destination, std::size_t size, const std::string& text) {
    if (text.size() >= size) {
        destination[0] = '\0';
        return false;
    }
    std::memcpy(destination, text.c_str(), text.size() + 1);
    return true;
}

// The last component of a node's path (what follows its last "/").
std::string LastComponentOf(const char* path) {
    char file[zrPathBufSize];
    zrSplitPath(path, nullptr, file);
    return file;
}

// The tree's root: the node without a parent above node.
const CFile::stFnameList* RootOf(const CFile::stFnameList* node) {
    while (node->m_pParent != nullptr) {
        node = node->m_pParent;
    }
    return node;
}

// The root's name. A tree listed from a path ending in "/" has an empty last
// component; the folder's own name stands in for it then.
std::string RootName(const CFile::stFnameList* root) {
    std::string name = LastComponentOf(root->m_szPath);
    if (name.empty()) {
        char folder[zrPathBufSize];
        zrGetCurrDirName(folder, root->m_szPath);
        name = folder;
    }
    return name;
}

// A node's path relative to the folder that holds the tree's root, without
// the leading "./": rootname/sub/name. Built from the tree's own names, so
// that it never depends on how the listing was started.
std::string RelativePath(const CFile::stFnameList* node) {
    std::string rel;
    for (const CFile::stFnameList* n = node; n->m_pParent != nullptr; n = n->m_pParent) {
        rel = "/" + LastComponentOf(n->m_szPath) + rel;
    }
    return RootName(RootOf(node)) + rel;
}

// Lists one folder's entries, in the file system's order, as node's children.
// A listing cut short by an error keeps what it has.
void ListFolder(CFile::stFnameList* node, const char* prefix) {
    FSIterator iterator = nullptr;
    if (FSOpenIterator(&node->m_Ref, kFSIterateFlat, &iterator) != kNoErr) {
        return;
    }
    CFile::stFnameList* last = nullptr;
    OSErr err = kNoErr;
    while (err == kNoErr) {
        FSRef refs[kListingBatch];
        std::uint32_t count = 0;
        err = FSGetCatalogInfoBulk(iterator, kListingBatch, &count, nullptr, kCatInfoNone, nullptr,
                                   refs, nullptr, nullptr);
        for (std::uint32_t i = 0; i < count; ++i) {
            auto* child = new (std::nothrow) CFile::stFnameList{};
            if (child == nullptr) {
                err = kErrNoMemory;
                break;
            }
            child->m_Ref = refs[i];
            std::strcpy(child->m_szRelDir, prefix);
            FSRefMakePath(&refs[i], child->m_szPath, sizeof child->m_szPath);
            child->m_bIsDirectory = zrmIsDirectory(&refs[i]);
            child->m_pParent = node;
            (last == nullptr ? node->m_pChild : last->m_pNext) = child;
            last = child;
            ++node->m_nChildNum;
        }
    }
    FSCloseIterator(iterator);
}

// Releases one sibling chain and everything below it: all entries of every
// node first (in chain order), then the chain's nodes from last to first.
// The recursion goes one level per folder depth, never per entry.
void DeleteChain(CFile::stFnameList* first, CFile::FnameCallback callback) {
    for (CFile::stFnameList* n = first; n != nullptr; n = n->m_pNext) {
        if (n->m_pChild != nullptr) {
            DeleteChain(n->m_pChild, callback);
            n->m_pChild = nullptr;
        }
    }
    CFile::stFnameList* reversed = nullptr;
    while (first != nullptr) {
        CFile::stFnameList* next = first->m_pNext;
        first->m_pNext = reversed;
        reversed = first;
        first = next;
    }
    while (reversed != nullptr) {
        CFile::stFnameList* next = reversed->m_pNext;
        reversed->m_pNext = nullptr;
        if (callback != nullptr) {
            callback(reversed);
        }
        delete reversed;
        reversed = next;
    }
}

}  // namespace

void CFile::GetTempDirPath(char* destination, int limit) {
    if (destination == nullptr || limit <= 0) {
        return;
    }
    destination[0] = '\0';
    FSRef folder;
    char path[zrPathBufSize];
    if (FSFindFolder(kUserDomain, kTemporaryFolderType, true, &folder) != kNoErr ||
        FSRefMakePath(&folder, path, sizeof path) != kNoErr) {
        return;
    }
    std::string withSlash = std::string(path) + (path[std::strlen(path) - 1] == '/' ? "" : "/");
    Put(destination, static_cast<std::size_t>(limit), withSlash);
}

void CFile::CreateRandomName(char* destination, int length) {
    if (destination == nullptr) {
        return;
    }
    int i = 0;
    for (; i < length; ++i) {
        destination[i] = static_cast<char>('A' + std::rand() % 24);
    }
    destination[i] = '\0';
}

void CFile::CreateDirInTemp(char* destination) {
    if (destination == nullptr) {
        return;
    }
    char temp[zrPathBufSize];
    GetTempDirPath(temp, zrPathMaxLen);
    destination[0] = '\0';
    if (temp[0] == '\0') {
        return;  // no private temporary folder: make nothing anywhere else
    }
    for (int length = kFirstFolderNameLength;; ++length) {
        std::string name(static_cast<std::size_t>(length) + 1, '\0');
        CreateRandomName(name.data(), length);
        char joined[zrPathBufSize];
        zrCatPath(joined, temp, name.c_str());
        std::string candidate = std::string(joined) + "/";
        FSRef taken;
        if (joined[0] == '\0' || !Put(destination, zrPathBufSize, candidate)) {
            destination[0] = '\0';
            return;  // the names no longer fit in a path
        }
        // Any object of that name, folder or not, makes the next draw longer.
        if (FSPathMakeRef(joined, &taken, nullptr) != kNoErr) {
            CheckDirectory(destination, true);
            return;
        }
    }
}

CFile* CFile::CreateFileInTemp() {
    char temp[zrPathBufSize];
    GetTempDirPath(temp, zrPathMaxLen);
    if (temp[0] == '\0') {
        return new (std::nothrow) CFile("", OPEN_WRITE_EXISTING);
    }
    char name[kFileNameLength + 1] = {};
    CreateRandomName(name, kFileNameLength);
    char path[zrPathBufSize];
    zrMakePath(path, temp, name, "txt");
    return new (std::nothrow) CFile(path, OPEN_WRITE);
}

bool CFile::DeleteFile(const char* path) {
    FSRef ref;
    return path != nullptr && FSPathMakeRef(path, &ref, nullptr) == kNoErr &&
           FSDeleteObject(&ref) == kNoErr;
}

bool CFile::IsDirectory(const char* path) {
    FSRef ref;
    return path != nullptr && zrmGetFileRef(&ref, path) && zrmIsDirectory(&ref);
}

bool CFile::CheckDirectory(const char* path, bool create) {
    if (path == nullptr || path[0] == '\0') {
        return false;  // the chain of parents ends at the empty path
    }
    FSRef ref;
    bool isDirectory = false;
    if (FSPathMakeRef(path, &ref, &isDirectory) == kNoErr) {
        return isDirectory;
    }
    if (!create) {
        return false;
    }
    char parent[zrPathBufSize];
    zrGetParentDirPath(parent, path);
    FSRef parentRef;
    if (!CheckDirectory(parent, true) || FSPathMakeRef(parent, &parentRef, nullptr) != kNoErr) {
        return false;
    }
    char name[zrPathBufSize];
    zrGetCurrDirName(name, path);
    return zrmCreateDir(nullptr, &parentRef, name);
}

CFile::stFnameList* CFile::GetFileTree(const char* path) {
    auto* root = new (std::nothrow) stFnameList{};
    if (root == nullptr) {
        return nullptr;
    }
    Put(root->m_szPath, sizeof root->m_szPath, path != nullptr ? path : "");
    std::strcpy(root->m_szRelDir, "./");
    FSPathMakeRef(root->m_szPath, &root->m_Ref, &root->m_bIsDirectory);
    if (root->m_bIsDirectory) {
        FileListingRecursive(root);
    }
    return root;
}

void CFile::FileListingRecursive(stFnameList* node) {
    if (node == nullptr) {
        return;
    }
    node->m_nChildNum = 0;
    std::string prefix = std::string(node->m_szRelDir) + LastComponentOf(node->m_szPath) + "/";
    if (!node->m_bIsDirectory || prefix.size() > zrPathMaxLen) {
        return;
    }
    ListFolder(node, prefix.c_str());
    for (stFnameList* child = node->m_pChild; child != nullptr; child = child->m_pNext) {
        if (child->m_bIsDirectory) {
            FileListingRecursive(child);
        }
    }
}

void CFile::DeleteFnameList(stFnameList* node, FnameCallback callback) {
    if (node != nullptr) {
        DeleteChain(node, callback);
    }
}

void CFile::DeleteFilesViaFileList(const char* rootPath, stFnameList* first) {
    if (rootPath == nullptr) {
        return;
    }
    std::size_t length = std::strlen(rootPath);
    char base[zrPathBufSize];
    if (length > 0 && rootPath[length - 1] == '/') {
        zrGetParentDirPath(base, rootPath);
    } else {
        zrSplitPath(rootPath, base, nullptr);
    }
    for (stFnameList* node = first; node != nullptr; node = node->m_pNext) {
        if (node->m_pChild != nullptr) {
            DeleteFilesViaFileList(rootPath, node->m_pChild);
        }
        // Joined literally: the tree's names are real names, a leading "."
        // included.
        std::string target = std::string(base) + RelativePath(node);
        FSRef ref;
        if (target.size() <= zrPathMaxLen &&
            FSPathMakeRef(target.c_str(), &ref, nullptr) == kNoErr) {
            FSDeleteObject(&ref);
        }
    }
}

void CFile::PrintFileList(stFnameList* node) {
    for (; node != nullptr; node = node->m_pNext) {
        std::printf("%s%s%s\n", node->m_szRelDir, LastComponentOf(node->m_szPath).c_str(),
                    node->m_bIsDirectory ? "/" : "");
        if (node->m_pChild != nullptr) {
            PrintFileList(node->m_pChild);
        }
    }
}

}  // namespace zrLib::File
