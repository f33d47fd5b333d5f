// Path string helpers.
//
// Six free functions that split and join path strings. They touch no file
// system and allocate nothing; every result goes into a buffer that the caller
// supplies. They live in no namespace and no class; for
// callers inside the file library they are also reachable as
// zrLib::File::zrCatPath and so on (using-declarations at the end).
//
// Shape of a path: a NUL-terminated UTF-8 byte string with "/" as the only
// separator. A path that ends in "/" names a folder; a path that does not names
// an object inside the folder given by everything up to its last "/". Nothing is
// normalised: repeated separators, "." and ".." stay as they are (apart from the
// leading-character drop rule of zrMakePath and zrCatPath). In particular these
// helpers do NOT make an untrusted name safe: zrCatPath("/t", "../../x") gives
// "/t/../x". Code that joins untrusted names must check them itself.
//
// Buffers and limits (made safe):
//  - A path buffer is zrPathBufSize (1024) bytes: at most zrPathMaxLen (1023)
//    bytes of text and the NUL. Every output of these functions is assumed to
//    be such a buffer; no function ever writes more than zrPathBufSize bytes
//    into an output, and no function reads an input past the first NUL or past
//    its first zrPathBufSize bytes (so even an unterminated 1024-byte input
//    buffer is read safely).
//  - The outputs of the split functions are never longer than their input, so
//    a caller that knows its input is short may pass smaller output buffers
//    (each at least input length + 1 bytes).
//
// Overflow behaviour (chosen deliberately): a result that would
// not fit is never truncated, because a truncated path names a different,
// shorter path that a caller might then create or delete. Instead:
//  - zrMakePath, zrCatPath: when the joined result would be longer than 1023
//    bytes, or when any input string is 1024 bytes or longer (even if the drop
//    rule would shorten it), dst becomes the empty string.
//  - zrSplitFname, zrSplitPath, zrGetParentDirPath, zrGetCurrDirName: when the
//    input is 1024 bytes or longer (not a valid path buffer), every output that
//    is given becomes the empty string. (All outputs are emptied together, so a
//    caller never sees a valid-looking file part beside a lost folder part.)
// The empty string is not a valid path for any file-system call (it fails with
// "not found"), and a caller that joins onto a non-empty folder can detect the
// overflow by checking dst[0] == '\0': zrMakePath and zrCatPath produce an
// empty result only on overflow or when every piece they were given is empty.
//
// Aliasing: every result is built in a private buffer first, so an
// output may be the very same buffer as an input (for example
// zrCatPath(p, p, "x") or zrGetParentDirPath(p, p)). Partial overlaps are not
// supported.
//
// Null pointers: an output documented as "may be null" is skipped. A null input
// string counts as empty (null is documented only for zrMakePath.s dir, name
// and ext; the others are treated the same way for robustness). A null dst
// makes the call do nothing.
#pragma once

#include <cstddef>

// Size of a path buffer, NUL included.
inline constexpr std::size_t zrPathBufSize = 1024;
// Longest path text that fits in a path buffer.
inline constexpr std::size_t zrPathMaxLen = zrPathBufSize - 1;

// Splits a file name at its last ".". The search crosses "/" too (callers pass a
// bare file name). With a "." at byte p: base receives the p bytes before it and
// ext everything after it (possibly nothing). Without one: base receives a copy
// of name and ext the empty string. base and ext may be null.
//   archive.tar.gz -> archive.tar + gz;  readme -> readme + "";
//   .profile -> "" + profile;  name. -> name + "";  dir.d/file -> dir + d/file.
void zrSplitFname(const char* name, char* base, char* ext);

// Splits a path at its last "/". With one: dir receives everything up to and
// including it, file the rest (empty when the path ends in "/"). Without one:
// dir receives the empty string and file a copy of path. dir and file may be
// null.
//   /a/b/c.txt -> /a/b/ + c.txt;  /a/b/ -> /a/b/ + "";  c.txt -> "" + c.txt.
void zrSplitPath(const char* path, char* dir, char* file);

// Joins dir, name and ext into dst:
//  1. dst = dir (null counts as empty);
//  2. if dir is non-empty and does not end in "/", append "/";
//  3. if name is given: drop its first byte if it is "."; then drop the (new)
//     first byte if it is "/"; append the rest (./x, .x, /x -> x; ../x -> ./x;
//     //x -> /x);
//  4. if ext is given: append "." unless ext begins with "."; append ext (also
//     when name is null).
//   (/tmp, x, txt) -> /tmp/x.txt;  (/tmp/, x, .txt) -> /tmp/x.txt;
//   ("", /abs/p, null) -> abs/p;  (/tmp, null, txt) -> /tmp/.txt.
// A result longer than 1023 bytes leaves dst empty (see above).
void zrMakePath(char* dst, const char* dir, const char* name, const char* ext);

// Joins dir and name: applies the drop rule of zrMakePath step 3 to name once,
// then calls zrMakePath(dst, dir, rest, no extension), which applies it again.
// So ./ and ././ and a leading "/" disappear, ../x becomes x, and a name that
// begins with a single "." loses it (.hidden -> hidden).
//   (/tmp/, ./a/b.txt) -> /tmp/a/b.txt;  (/tmp, ./) -> /tmp/;  ("", x) -> x.
// A result longer than 1023 bytes leaves dst empty (see above).
void zrCatPath(char* dst, const char* dir, const char* name);

// Parent of the folder the path points into, ending in "/". Let F be that
// folder without its trailing "/": the path minus one trailing "/" when it ends
// in "/", else its folder part (zrSplitPath) minus its trailing "/". dst
// receives F through its last "/", or "" when F holds no "/".
//   /a/b/z/ -> /a/b/;  /a/b/z -> /a/;  /a/ -> /;  /a -> "";  a/ -> "";
//   /a/b// -> /a/b/.
// An input of 1024 bytes or more leaves dst empty.
void zrGetParentDirPath(char* dst, const char* path);

// Name of the folder the path points into (the last component of F above,
// without "/"; all of F when it holds no "/").
//   /a/b/z/ -> z;  /a/b/z -> b;  /a/ -> a;  /a -> "";  a/ -> a;  abc -> "";
//   /a/b// -> "".
// An input of 1024 bytes or more leaves dst empty.
void zrGetCurrDirName(char* dst, const char* path);

namespace zrLib::File {
using ::zrCatPath;
using ::zrGetCurrDirName;
using ::zrGetParentDirPath;
using ::zrMakePath;
using ::zrPathBufSize;
using ::zrPathMaxLen;
using ::zrSplitFname;
using ::zrSplitPath;
}  // namespace zrLib::File
