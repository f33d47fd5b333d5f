// Native file operations: flat functions over the platform file layer that
// find, create, remove, move, rename, copy, open, read, write and size files
// and folders, answering plain success flags (true/false, or a size). They
// keep no state and no error code; an FSRef names one existing object.
//
// Name arguments name one object inside a folder. The query zrmCheckExisting
// joins a name to its folder with zrCatPath, as the path helpers do (so ./x
// and .x both look for x). Every call that creates, removes, moves or copies
// by name takes the name literally instead, so that it acts on exactly the
// object that it names: a name that is empty, "." or "..", or holds "/" is
// refused (false) by the calls that would remove something, before anything
// is touched.
//
// Paths are resolved against the application folder (the folder holding the
// program's bundle) before the current folder where a function says so.
// Symbolic links are objects of their own: they are never followed in the last
// component.
#pragma once

#include "platform/types.h"

// --- Legacy full paths --------------------------------------------------
//
// The old volume-rooted form maps onto POSIX paths as follows:
//   "Vol:a:b"   -> "/Vol/a/b"   (a first component names a top-level folder
//                                of the root file system, standing for a volume)
//   ":a:b"      -> "a/b"        (a leading ":" makes the path relative to the
//                                current folder)
//   "name"      -> "name"       (no ":" at all: an object in the current folder)
//   "::a"       -> "../a"       (a ":" right after another ":" goes up a folder;
//                                ":" alone is the current folder)
//   one ":" at the end is dropped ("Vol:" -> "/Vol"), and a "/" inside a
//   component becomes ":" in the POSIX name. The form holds at most 255 bytes
//   (one length byte): a longer one, an empty one, or one with a "." or ".."
//   component is refused.
// Creator and type codes given for legacy creation are kept as the file's
// Finder information.

// out receives the object at a legacy full path; true when it exists.
bool zrmFullPath2FSRef(FSRef* out, const char* legacyPath);

// --- Names ----------------------------------------------------------------

// UTF-8 name to a name record; false when it is not valid UTF-8 or longer than
// 255 UTF-16 units.
bool zrmPath2HFS255(const char* name, HFSUniStr255* out);

// Converts UTF-8 text into a new UTF-16 array of n + 1 units (new[]; the last
// unit is 0 and not counted) stored in *array, and answers n. Invalid UTF-8
// (or a failed allocation) answers 0 and leaves *array alone. Empty text
// answers 0 with an array stored, which the caller frees as well (a CUniChar
// does).
int UTF8ToUniChar(const char* text, unsigned short** array);

// --- Bundle and folders ---------------------------------------------------
//
// bundleIdentifier: null for the running program's bundle. No other bundle is
// known on this system, so any identifier answers false.

bool zrmGetApplicationPath(FSRef* out, const char* bundleIdentifier);  // the bundle's parent
bool zrmGetDotAppPath(FSRef* out, const char* bundleIdentifier);       // the bundle folder
bool zrmGetResourcesPath(FSRef* out, const char* bundleIdentifier);    // its Resources folder

// parent receives the folder that holds object.
bool zrmGetParentDirRef(FSRef* parent, const FSRef* object);

// --- Resolving --------------------------------------------------------------

// out receives the object at path, looked up inside the application folder
// first (zrMakePath(application folder, path), so an absolute /x is first
// tried as <application folder>/x and an empty path names the application
// folder), then at path itself (absolute, or relative to the current folder).
// False when neither exists or the application folder cannot be found.
bool zrmGetFileRef(FSRef* out, const char* path);

// True when an object exists at zrCatPath(parent's path, name). out (may be
// null) receives that lookup's reference when the answer is true and is left
// alone otherwise.
bool zrmCheckExisting(const FSRef* parent, const char* name, FSRef* out = nullptr);

// True when ref names a folder (false for a file, a link or nothing).
bool zrmIsDirectory(const FSRef* ref);

// --- Creating and removing -------------------------------------------------

// Makes folder name in parent with default permissions; an existing folder of
// that name is accepted (true, newRef receives it), an existing object of
// another kind is refused (false). Without a parent, name is a legacy full
// path. newRef may be null.
bool zrmCreateDir(FSRef* newRef, const FSRef* parent, const char* name);

// Makes an empty file name in parent, first removing an object of that name
// (a file, a link or an empty folder; a folder with contents makes the call
// fail). Without a parent, name is a legacy full path and the file gets type
// '4ANY' and creator 'FILE'. newRef may be null.
bool zrmCreateFile(FSRef* newRef, const FSRef* parent, const char* name);

// Removes name in parent (null parent: the application folder), or the object
// itself: a file, a link or an empty folder.
bool zrmRemoveFile(const FSRef* parent, const char* name);
bool zrmRemoveFile(const FSRef* object);

// --- Moving, renaming, copying ---------------------------------------------

// Moves an object into destination under its own name; false when that name
// is taken there (nothing is replaced) or the move would cross volumes.
bool zrmMoveFile(const FSRef* object, const FSRef* destination, FSRef* newRef = nullptr);
bool zrmMoveFile(const FSRef* parent, const char* name, const FSRef* destination,
                 FSRef* newRef = nullptr);

// Renames an object within its folder; false when the name is taken.
bool zrmRenameFile(const FSRef* object, const char* name, FSRef* newRef = nullptr);

// Copies file name of sourceParent into destinationParent under the same
// name, replacing an object of that name there; false (and nothing touched)
// when that object is the source itself.
bool zrmCopyFile(const FSRef* sourceParent, const char* name, const FSRef* destinationParent,
                 FSRef* newRef = nullptr);

// Copies the contents of one existing file into another in 65,536-byte
// chunks (the last write rounded up to a multiple of 512 bytes, then the
// destination cut back to the source's size). True when every read and write
// and the final cut-back succeeded; a half-done copy leaves the destination
// sized as the source.
bool zrmCopyFile(const FSRef* source, const FSRef* destination);

// --- Open files ------------------------------------------------------------
//
// A file's data is reached through the first fork the platform lists for it,
// its data fork. Folders have none here. Offsets and counts are 32-bit signed:
// negative ones fail.

// Opens file with permission 1 (read) or 2 (write) into *fork.
bool zrmOpenFile(short* fork, const FSRef* file, signed char permission);

// Closes *fork (the number is left in place).
bool zrmCloseFile(short* fork);

// Reads or writes count bytes at offset; a read reaching past the end fails as
// a whole.
bool zrmReadFile(short fork, int offset, unsigned char* buffer, int count);
bool zrmWriteFile(short fork, int offset, const unsigned char* buffer, int count);

// Size of the file's data in bytes (low 32 bits); 0 on failure.
unsigned int zrmGetFileSize(const FSRef* file);

// The file grows or shrinks to exactly size bytes.
bool zrmSetFileSize(short fork, int size);

namespace zrLib::File {
using ::UTF8ToUniChar;
using ::zrmCheckExisting;
using ::zrmCloseFile;
using ::zrmCopyFile;
using ::zrmCreateDir;
using ::zrmCreateFile;
using ::zrmFullPath2FSRef;
using ::zrmGetApplicationPath;
using ::zrmGetDotAppPath;
using ::zrmGetFileRef;
using ::zrmGetFileSize;
using ::zrmGetParentDirRef;
using ::zrmGetResourcesPath;
using ::zrmIsDirectory;
using ::zrmMoveFile;
using ::zrmOpenFile;
using ::zrmPath2HFS255;
using ::zrmReadFile;
using ::zrmRemoveFile;
using ::zrmRenameFile;
using ::zrmSetFileSize;
using ::zrmWriteFile;
}  // namespace zrLib::File
