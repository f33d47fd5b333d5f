// File copy: one file (or symbolic link) copied into a destination folder
// under a given name, with all its forks and catalogue information.
//
// Outside a drop box the new file carries the busy type 'bzy ', no lock and
// owner read/write/search rights while its forks are written; only then does
// it get the source's type, flags, permissions and dates. A symbolic link is
// copied as a link with the same target text, never followed. A copy that
// fails removes the file it made.
#pragma once

#include "copyengine/CopyTypes.h"
#include "platform/types.h"

// File type of a file that is being written.
constexpr OSType kBusyFileType = 0x627A7920;  // 'bzy '

// Copies the file for the top level: runs CopyFile on a private copy of
// sourceInfo, then the filter (level 0) when one is given. A filter status
// other than 0 fails the copy; a failed copy is never turned into success by
// the filter. newFile and newSpec (optional) are set on success only.
OSErr FSCopyFile(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* sourceInfo,
                 const HFSUniStr255* newName, CopyContext* copyContext,
                 CopyFilterSettings* filterSettings, FSRef* newFile, FSSpec* newSpec);

// Clears the "already placed" Finder flag in info, then copies by server copy
// when the context allows it, else (and after any server-copy failure) with
// DoCopyFile. info is modified in place. newSpec may be null.
OSErr CopyFile(const FSRef* source, FSCatalogInfo* info, const FSRef* destDir,
               const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFile, FSSpec* newSpec);

// Asks the file server to copy the file itself (never available on local
// file systems). name null keeps the source's name.
OSErr FSUsePBHCopyFile(const FSRef* source, const FSRef* destDir, const HFSUniStr255* name,
                       TextEncoding textEncodingHint, FSRef* newFile, FSSpec* newSpec);

// Fork-by-fork copy (see the top of this header). -48 when the name is taken;
// the existing object is then left alone.
OSErr DoCopyFile(const FSRef* source, FSCatalogInfo* info, const FSRef* destDir,
                 const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFile,
                 FSSpec* newSpec);
