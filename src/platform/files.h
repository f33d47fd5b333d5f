// Native file calls: references, catalogue information, creation, deletion,
// moves, renames, forks and folder enumeration over POSIX/Linux.
//
// Every call answers an OSErr (types.h), 0 for success, never throws, and
// leaves its outputs untouched when it fails unless it says otherwise. Every
// call here can be made to fail by FaultInjection (fault_injection.h) under
// the PlatformOp of the same name; an injected failure does nothing else,
// except that FSCloseFork and FSCloseIterator still release what they close.
// Null required arguments answer -50. All calls are safe from several threads;
// one open fork or one iterator belongs to one thread at a time.
//
// Mapping to Linux:
// - A reference holds an absolute path; a symbolic link is the link itself
//   (lstat), never its target. It is a file of Finder type 'slnk' and creator
//   'rhap' whose data fork is the link's target text, read only.
// - Forks: the data fork (name of length 0) is the file's contents; then every
//   extended attribute "user.<name>" is the fork <name>, in the order the file
//   system lists them. Attributes "user.zorvane.*" are this layer's own
//   metadata (Finder information, busy mark), never forks. Folders have no data
//   fork but may have attribute forks. A name that is not valid UTF-8 or longer
//   than 255 UTF-16 units is not listed.
// - Object names (HFSUniStr255) are UTF-16, stored as UTF-8; a name that is
//   empty, "." or "..", holds "/" or NUL or unpaired surrogates answers -37.
#pragma once

#include "platform/types.h"

// ---------------------------------------------------------------------------
// References and paths

// Resolves a path (absolute, or relative to the current folder; a trailing
// "/" is allowed) to the object there. isDirectory, when given, tells whether
// it is a folder (a link to a folder is not). -43 when nothing is there, -37
// when the path is empty or longer than 1023 bytes.
OSErr FSPathMakeRef(const char* path, FSRef* ref, bool* isDirectory);

// Writes the reference's absolute path, NUL-terminated, into path, using at
// most maxPathSize bytes including the NUL; -50 when it does not fit (path is
// then set to the empty string when maxPathSize > 0). Does not check that the
// object still exists.
OSErr FSRefMakePath(const FSRef* ref, char* path, std::uint32_t maxPathSize);

// Looks a name up inside parentRef: 0 and newRef when an object of that name
// is there, -43 when not, -1407 when parentRef is not a folder. The encoding
// hint is accepted and ignored.
OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                         TextEncoding textEncodingHint, FSRef* newRef);

// Identity: 0 when both name the same object (device and inode), -1303 when
// they lie on different volumes, -1420 when they are different objects of one
// volume; the status of a failed lookup otherwise (-43).
OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2);

// Turns a legacy file record back into its reference (the one it carries);
// -43 when that object is gone.
OSErr FSpMakeFSRef(const FSSpec* fsSpec, FSRef* ref);

// ---------------------------------------------------------------------------
// Catalogue information

// Reads the fields of whichInfo into catalogInfo (may be null when whichInfo
// is 0), and optionally the object's name, its legacy file record and the
// reference of its containing folder (the root's parent is the root itself).
// kCatInfoValence counts the folder's entries (costs a folder read).
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef);

// Writes the settable fields of whichInfo (kCatInfoSettableInfo; other bits
// are ignored). What each field does:
// - nodeFlags: only kNodeLocked counts. Setting it sets the immutable flag
//   where the file system and our rights allow it and is otherwise accepted
//   and ignored; clearing it clears the flag (-45/-5000 when we may not). The
//   lock is cleared before and set after every other change of the call.
// - createDate, attributeModDate, backupDate, textEncodingHint: accepted and
//   ignored (the kernel keeps them). Use FSSetBusyMark for a folder under
//   construction.
// - contentModDate, accessDate: mtime, atime (utimensat); an all-zero date
//   leaves that time alone.
// - permissions: mode & 07777 (chmod; not for links), then owner and group
//   when they differ from the object's (lchown); a change of owner or group
//   that we have no right to make is skipped silently, as with cp, so that an
//   unprivileged copy keeps working.
// - finderInfo, extFinderInfo: stored together in our own attribute; all zero
//   removes it. Setting type 'slnk' and creator 'rhap' on a regular file that
//   had another type turns it into a symbolic link whose target is the file's
//   contents (at most 4095 bytes, no NUL; -50 otherwise). Finder information
//   of a link itself is not stored.
// Stops at the first failing change and answers its status.
OSErr FSSetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo,
                       const FSCatalogInfo* catalogInfo);

// Busy mark of a folder (or file) under construction: our own extended
// attribute holding the date, visible to other programs (getfattr). While it
// is set, FSGetCatalogInfo reports it as the createDate. FSClearBusyMark on
// an object without a mark answers 0.
OSErr FSSetBusyMark(const FSRef* ref, const UTCDateTime* date);
OSErr FSClearBusyMark(const FSRef* ref);

// ---------------------------------------------------------------------------
// Creating, deleting, moving, renaming

// Creates an empty file (or a folder) named name inside parentRef and applies
// the settable fields of whichInfo from catalogInfo (may be null when
// whichInfo is 0) as FSSetCatalogInfo does; without kCatInfoPermissions the
// process's umask decides the mode. -48 when the name is taken (nothing is
// changed then). When applying the information fails, the new object is
// removed again and that status is answered. newRef, newSpec (and newDirID)
// are optional outputs.
OSErr FSCreateFileUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                          FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo,
                          FSRef* newRef, FSSpec* newSpec);
OSErr FSCreateDirectoryUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                               FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo,
                               FSRef* newRef, FSSpec* newSpec, std::uint32_t* newDirID);

// Removes a file, a link or an empty folder. -47 for a folder that is not
// empty, -45 for a locked object, -43 when it is gone.
OSErr FSDeleteObject(const FSRef* ref);

// Moves the object into destDirectory under its own name. -48 when that
// folder holds the name already (nothing is replaced), -1303 across volumes,
// -122 for a folder moved into itself, -1407 when destDirectory is not a
// folder. newRef (optional) receives the moved object.
OSErr FSMoveObject(const FSRef* ref, const FSRef* destDirectory, FSRef* newRef);

// Renames the object within its folder. -48 when another object holds the
// name (nothing is replaced); renaming to its own name answers 0. The hint is
// ignored. newRef (optional) receives the renamed object.
OSErr FSRenameUnicode(const FSRef* ref, UniCharCount nameLength, const UniChar* name,
                      TextEncoding textEncodingHint, FSRef* newRef);

// ---------------------------------------------------------------------------
// Forks

// Lists the forks of ref one per call: zero-fill iterator first. Gives the
// fork's name, logical size and allocated size (each output optional), and
// -1417 when no fork is left. The data fork of a file comes first.
OSErr FSIterateForks(const FSRef* ref, ForkIterator* iterator, HFSUniStr255* forkName,
                     std::int64_t* forkSize, std::uint64_t* forkPhysicalSize);

// Creates an empty fork. The data fork of a file or link always exists, so
// creating it answers 0; a folder has none (-1302). An attribute fork that
// exists already answers -1421.
OSErr FSCreateFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName);

// Removes an attribute fork; the data fork cannot be removed (-50).
OSErr FSDeleteFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName);

// Opens a fork with kFSReadPerm, kFSWritePerm or kFSReadWritePerm and hands
// out its number (1..32767). -1409 when the fork does not exist. The data
// fork of a link opens for reading only (-5000 for writing). The position
// starts at 0.
OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName,
                 std::int8_t permissions, FSIORefNum* forkRefNum);

// Reads requestCount bytes at the position given by positionMode (kFSAtMark,
// kFSFromStart, ...; plus kFSNoCacheMask) and offset. A read that reaches
// past the end answers -39 with the bytes that were there (actualCount, may be
// null). The fork's position moves past the bytes read.
OSErr FSReadFork(FSIORefNum forkRefNum, std::uint16_t positionMode, std::int64_t positionOffset,
                 std::uint32_t requestCount, void* buffer, std::uint32_t* actualCount);

// Writes all requestCount bytes (a fork opened for reading only: -61). A write
// past the end grows the fork. Writing the data fork updates the file's mtime.
OSErr FSWriteFork(FSIORefNum forkRefNum, std::uint16_t positionMode, std::int64_t positionOffset,
                  std::uint32_t requestCount, const void* buffer, std::uint32_t* actualCount);

// Reserves disk space for the fork without changing its logical size
// (fallocate with FALLOC_FL_KEEP_SIZE). Requests under 1 MiB are not
// reserved (a small fork gains nothing from it); they, and requests where the
// file system cannot reserve, answer 0 with actualCount 0. -34 when the disk
// is full.
OSErr FSAllocateFork(FSIORefNum forkRefNum, std::uint16_t flags, std::uint16_t positionMode,
                     std::int64_t positionOffset, std::uint64_t requestCount,
                     std::uint64_t* actualCount);

// Sets the fork's logical size; it grows with zero bytes or is cut back. The
// position is moved back to the new end when it lay beyond it.
OSErr FSSetForkSize(FSIORefNum forkRefNum, std::uint16_t positionMode, std::int64_t positionOffset);

// The fork's logical size.
OSErr FSGetForkSize(FSIORefNum forkRefNum, std::int64_t* forkSize);

// Closes the fork; its number may be reused afterwards. -51 when no fork has
// that number. An injected failure still closes the fork.
OSErr FSCloseFork(FSIORefNum forkRefNum);

// ---------------------------------------------------------------------------
// Folder enumeration

// Opens an enumeration of a folder's own entries ("." and ".." left out), in
// the file system's order. kFSIterateFlat reads names as they are fetched;
// kFSIterateDelete reads all names at once, so deleting entries already
// returned never makes the enumeration skip others. -1407 when container is
// not a folder.
OSErr FSOpenIterator(const FSRef* container, std::uint32_t iteratorFlags, FSIterator* iterator);

// Closes the iterator and frees it (also after an injected failure).
OSErr FSCloseIterator(FSIterator iterator);

// Fetches up to maximumObjects entries: for each, the fields of whichInfo,
// its reference and its name (each array optional; arrays hold maximumObjects
// records). actualObjects receives the count. The call that reaches the end
// answers -1417, possibly together with the last entries it fetched. Entries
// that vanish between listing and reading are skipped. An entry whose path
// would not fit in an FSRef (1023 bytes) fails the call with -37, with the
// entries before it delivered. containerChanged (may be null) is always false.
OSErr FSGetCatalogInfoBulk(FSIterator iterator, std::uint32_t maximumObjects,
                           std::uint32_t* actualObjects, bool* containerChanged,
                           FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfos, FSRef* refs,
                           FSSpec* specs, HFSUniStr255* names);

// ---------------------------------------------------------------------------
// Volumes

// The volume of an object (also in FSCatalogInfo::volume).
OSErr FSGetVolumeRefNum(const FSRef* ref, FSVolumeRefNum* volume);

// Parameters of a volume from statfs. Local file systems (FUSE included)
// have server address 0; network ones (NFS, SMB/CIFS, AFS, Ceph, Coda, NCP,
// 9P) a non-zero one derived from the file system id. Server copy is never
// available and the speed grade is 0. actualCount (optional) receives the
// number of bytes filled (sizeof(VolParmsInfo)). -43 for an unknown volume.
OSErr PBHGetVolParmsSync(FSVolumeRefNum volume, VolParmsInfo* info, std::uint32_t* actualCount);

// Server-side copy: never available here (-4).
OSErr PBHCopyFileSync(const FSRef* source, const FSRef* destDirectory, const HFSUniStr255* newName);

// Access rights query of a file server: never answered here (-50), so a
// caller falls back on the folder's mode.
OSErr PBHGetDirAccessSync(const FSRef* folder, std::uint32_t* accessRights);
