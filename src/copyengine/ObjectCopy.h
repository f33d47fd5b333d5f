// Object copy: the top of the copy engine. FSCopyObject copies one file, link
// or folder tree into a destination folder with all forks and catalogue
// information, after checking that the copy can work, and decides what
// happens when the destination name is taken (fail, replace, or pick a unique
// name). It refuses to copy a folder into itself.
//
// In replace mode the existing object is renamed ".DeleteMe" before the copy;
// it is deleted after a successful copy and gets its name back after a failed
// one (a failed copy removes everything it made). When the old object cannot
// be deleted and none of it is gone yet, the copy is undone as well, so the
// failure leaves the destination as it was; only a deletion that fails after
// removing part of the old object leaves the complete new copy in place and
// the rest under ".DeleteMe", with the failure as the result.
#pragma once

#include <cstdint>

#include "copyengine/CopyTypes.h"
#include "platform/types.h"

// Copies source into destDir as newName (null: the source's name).
// maxLevels 0 copies a folder tree whole; 1 copies only the top folder's own
// files and creates its sub-folders empty; and so on. whichInfo, wantFSSpecs,
// wantNames and yourDataPtr are for the filter (may be null). newObject and
// newObjectSpec (optional) are set on success.
OSErr FSCopyObject(const FSRef* source, const FSRef* destDir, std::uint32_t maxLevels,
                   FSCatalogInfoBitmap whichInfo, std::uint32_t dupeAction,
                   const HFSUniStr255* newName, bool wantFSSpecs, bool wantNames,
                   CopyFilterProc filterProcPtr, void* yourDataPtr, FSRef* newObject,
                   FSSpec* newObjectSpec);

// Reads the source's information, sizes and allocates the copy buffer into
// copyContext, decides drop box and locality, and prepares the destination
// name (SetupDestination). In replace mode an object of the destination name
// that is the source or holds it is refused with -1234. copyContext->copyBuffer belongs to the
// caller afterwards, whatever the status.
OSErr FSCopyObjectPreflight(const FSRef* source, const FSRef* destDir, std::uint32_t dupeAction,
                            FSCatalogInfo* sourceCatInfo, CopyContext* copyContext,
                            HFSUniStr255* destName, FSRef* deleteMeRef, bool* isReplacing,
                            bool* isFolder);

// Looks destName up in destDir and, when it is taken, acts on dupeAction:
// replace renames the existing object to ".DeleteMe" (deleteMeRef,
// isReplacing), rename picks a unique name, standard does nothing.
OSErr SetupDestination(const FSRef* destDir, std::uint32_t dupeAction, HFSUniStr255* destName,
                       FSRef* deleteMeRef, bool* isReplacing);

// Replaces name with the first of "name 1" ... "name 9" (the digit goes before
// the last dot that is not the first character: "a.b 1.c") that destDir does
// not hold. When all nine are taken, or the name has no room for two more
// characters, the name stays and the creation later fails with -48.
OSErr GetUniqueName(const FSRef* destDir, HFSUniStr255* name);

// The object's name, and its text-encoding hint when asked for.
OSErr GetObjectName(const FSRef* object, HFSUniStr255* name, TextEncoding* encodingHint);

// The object's volume. -50 for null arguments.
OSErr FSGetVRefNum(const FSRef* object, FSVolumeRefNum* vRefNum);

// The volume's parameters (bufferSize bytes of room in volParmsInfo) and the
// number of bytes filled. -50 for a null or too small buffer.
OSErr FSGetVolParms(FSVolumeRefNum volRefNum, std::uint32_t bufferSize, VolParmsInfo* volParmsInfo,
                    std::uint32_t* actualInfoSize);

// Whether the folder is a drop box: writable but neither readable nor
// searchable for the user. Here the file server never answers, so the
// "others" class of the folder's mode decides: exactly write and search.
// -1407 when it is not a folder.
OSErr IsDropBox(const FSRef* source, bool* isDropBox);

// 0 unless destDir is source or lies inside it (-1234). Identity is by device
// and inode, walking from destDir up to the root; a walk that crosses into
// another file system goes on, since a volume can be mounted inside source.
OSErr CheckForDestInsideSrc(const FSRef* source, const FSRef* destDir);
