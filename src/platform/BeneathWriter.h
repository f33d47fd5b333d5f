// Writes files strictly beneath one folder, for extracting untrusted archives.
// An object serves one thread at a time; it holds the folder open (and the
// last sub-folder written to) from construction to destruction.
//
// The folder is opened once; every folder and file below it is then made and
// opened relative to that handle, one path component at a time, and no
// symbolic link is ever followed on the way (openat2 with RESOLVE_BENEATH and
// RESOLVE_NO_SYMLINKS, or openat with O_NOFOLLOW where openat2 is missing).
// Checking path strings alone is not enough: a link already inside the folder
// could lead out of it; here it makes the write fail instead.
//
//   BeneathWriter w("/tmp/out");
//   if (w.OpenStatus() == kNoErr) w.WriteFile("Foo/Sub/a.txt", data, n, true);
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/types.h"

class BeneathWriter {
  public:
    // Opens the folder at folderPath; the caller chose it, so a link in that
    // path itself is followed. An empty path means the current folder.
    explicit BeneathWriter(const char* folderPath);
    ~BeneathWriter();
    BeneathWriter(const BeneathWriter&) = delete;
    BeneathWriter& operator=(const BeneathWriter&) = delete;

    // Status of opening the folder: 0, -43 when it is missing, -1407 when it
    // is not a folder, -5000 when it may not be opened.
    OSErr OpenStatus() const { return m_nOpenStatus; }

    // Writes size bytes at data as the file relPath below the folder.
    // relPath: components separated by "/"; empty and "." components are
    // skipped. With createDirs, missing folders on the way are made (modes
    // from the umask); without it they must exist. An existing file of that
    // name is replaced by a new one (so a hard link to it elsewhere is left
    // alone), ending exactly size bytes long. Answers:
    //   0      written
    //   -37    relPath names no file, holds a ".." component or a component
    //          longer than 255 bytes
    //   -5000  a symbolic link lies on the way or at the file's name
    //   -1407  a component on the way is not a folder
    //   -1302  a folder stands at the file's name
    //   -43    a folder on the way is missing and createDirs is false
    //   other  the status of the failing step (-34 disk full, -36, ...);
    //          a file that could not be written whole is removed again
    OSErr WriteFile(const char* relPath, const void* data, std::size_t size, bool createDirs);

    // As above, then applies through the open file, as FSSetCatalogInfo would
    // by path: kCatInfoPermissions sets mode & 07777, then owner and group
    // where they differ and we have the right (skipped silently otherwise);
    // kCatInfoContentMod and kCatInfoAccessDate set mtime and atime (an
    // all-zero date leaves that time alone); the other bits are ignored.
    // Failures to apply are not reported: the file's bytes are what counts.
    OSErr WriteFile(const char* relPath, const void* data, std::size_t size, bool createDirs,
                    FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* info);

  private:
    // The folder that holds the file named by parts (all but the last
    // component), reached or made beneath the folder; dir is borrowed.
    OSErr FindFolder(const std::vector<std::string>& parts, bool createDirs, int& dir);

    int m_nFolderFd;
    OSErr m_nOpenStatus;
    int m_nLastDirFd;          // the last folder reached, kept for the next file
    std::string m_lastDirKey;  // its components, each followed by "/"
};
