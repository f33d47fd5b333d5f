// The file object and the file-system utilities of the file library.
//
// A CFile names one file by its path and opens, acts and closes around every
// single read, write or size query, so no file stays open between calls. The
// static members give the user's private temporary folder and fresh names and
// folders in it, folder tests, nested folder creation, and the file-name tree
// of a recursive folder listing with its release and a mirrored deletion.
#pragma once

#include "platform/types.h"

namespace zrLib::File {

class CFile {
  public:
    enum OPEN_MODE : int {
        OPEN_WRITE = 0,           // create the file on the first open unless found already
        OPEN_READ = 1,            // the file must exist
        OPEN_WRITE_EXISTING = 2,  // constructor only: OPEN_WRITE that never creates
    };

    // One node of a file-name tree (GetFileTree). A node's relative path is
    // m_szRelDir followed by the last component of m_szPath: for a tree listed
    // from /src/abc the root is ./abc and /src/abc/x.txt is ./abc/x.txt.
    struct stFnameList {
        char m_szPath[1024];    // full path of the file or folder
        char m_szRelDir[1024];  // "./" at the root; else parent's m_szRelDir + parent's name + "/"
        FSRef m_Ref;
        bool m_bIsDirectory;  // a folder itself (links are not followed)
        stFnameList* m_pParent;
        stFnameList* m_pNext;   // next entry of the same folder
        int m_nChildNum;        // entries listed directly inside this folder
        stFnameList* m_pChild;  // first entry inside this folder
    };

    using FnameCallback = void (*)(stFnameList*);

    // Copies path and runs CreateName. A path of 1024 bytes or more is not
    // cut (that would name another file): the object then names nothing and
    // every open fails.
    CFile(const char* path, OPEN_MODE mode);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens the file for mode: 1 on success, 0 on failure. OPEN_WRITE resolves
    // the folder part (application folder first) and creates the file on the
    // first open, replacing what is there; OPEN_READ resolves the path
    // (application folder first). Another mode counts an open without opening
    // anything (reads, writes and sizes then touch no file).
    virtual int Open(const char* path, OPEN_MODE mode);
    // Closes the fork of the last open; true when it was closed.
    virtual bool Close();

    // Size in bytes (low 32 bits), 0 on failure. In OPEN_WRITE the first call
    // creates the file, empty.
    unsigned int GetSize();
    // Reads size bytes at offset: size on success, 0 on failure (all or
    // nothing; a read past the end fails).
    unsigned int Read(void* buffer, unsigned int size, unsigned int offset);
    // Writes size bytes at offset, after which the file ends right after them
    // (it is cut back or grown). When the write itself fails the size is left
    // as it is. Nothing is reported.
    void Write(const void* buffer, unsigned int size, unsigned int offset);
    // Sets m_szName: "<file part>_00000000_<size in 8 lower-case hex digits>"
    // for a file that opens for reading, else the path itself.
    void CreateName();

    // The user's private temporary folder, ending in "/", within limit bytes;
    // the empty string when it cannot be had (refused, or does not fit).
    static void GetTempDirPath(char* destination, int limit);
    // Makes a new folder of 12 or more random letters in the temporary folder
    // and writes its path, ending in "/", into destination (1024 bytes); the
    // empty string when the temporary folder cannot be had.
    static void CreateDirInTemp(char* destination);
    // A new OPEN_WRITE object (caller deletes it) for a file of 63 random
    // letters and ".txt" in the temporary folder; without a temporary folder
    // the object names nothing and every open fails.
    static CFile* CreateFileInTemp();
    // length letters 'A'..'X' from rand() and a NUL; length <= 0 gives "".
    static void CreateRandomName(char* destination, int length);
    // Removes the file or empty folder at path (not resolved against the
    // application folder).
    static bool DeleteFile(const char* path);
    // True when path (application folder first) names a folder.
    static bool IsDirectory(const char* path);
    // True when a folder exists at path; with create, the missing folders are
    // made top-down. Without a trailing "/" the last component counts as a
    // file name. The recursion ends (false) at the empty path.
    static bool CheckDirectory(const char* path, bool create);
    // The tree of path (never null unless memory runs out): a lone root for a
    // file or a missing path.
    static stFnameList* GetFileTree(const char* path);
    // Lists node's folder and, in turn, its sub-folders.
    static void FileListingRecursive(stFnameList* node);
    // Releases node, its entries and its following siblings; callback (may be
    // null) sees every node before it is released, a folder's entries before
    // the folder and later siblings before earlier ones: for R holding A (with
    // A1) and B: A1, B, A, R. m_pChild and m_pNext are null in the callback.
    static void DeleteFnameList(stFnameList* node, FnameCallback callback);
    // Removes the counterparts of a listed tree under the folder that holds
    // rootPath's last component: each folder's contents before the folder,
    // entries in listing order (R, A, A1, B: A1, A, B, R).
    static void DeleteFilesViaFileList(const char* rootPath, stFnameList* first);
    // Copies the file at source to destination, then deletes the source. Its
    // definition lives with the copy engine (zv_copyengine).
    static bool MoveFile(const char* source, const char* destination);
    // Prints the tree's relative paths to standard output, one per line.
    static void PrintFileList(stFnameList* node);

    char m_szPath[1024];
    char m_szName[1024];
    OPEN_MODE m_nMode;
    FSRef m_Ref;
    short m_nForkRef;
    int m_nOpenCount;
};

}  // namespace zrLib::File
