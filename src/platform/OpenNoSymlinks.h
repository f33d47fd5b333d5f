// Opening an object by a path in which no component may be a symbolic link.
//
// References hold canonical paths with no link on the way to the object, so a
// link found on the way was put there after the reference was made: by
// someone who wants a copy made with administrator rights to read or write
// through it. Opens made on behalf of a reference refuse such a path.
#pragma once

namespace zv_platform_detail {

// open(2) of path with flags (and mode for O_CREAT) that fails with ELOOP
// when any component of path is a symbolic link (openat2 with
// RESOLVE_NO_SYMLINKS). Where the kernel has no openat2, a plain open.
int OpenNoSymlinks(const char* path, int flags, unsigned mode = 0);

}  // namespace zv_platform_detail
