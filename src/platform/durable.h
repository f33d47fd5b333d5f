// Durable replacement of files: flushing an object's data to disk and
// renaming a file over another name in the same folder, so that a writer can
// build a new file beside an old one and swap it in at one moment.
//
//   write "dir/new.tmp" ... FSFlushObject(&tmp);
//   FSRenameOverUnicode(&tmp, n, name, &placed);   // old file replaced at once
//   FSFlushObject(&dirRef);                         // the rename reaches the disk
//
// Both calls answer an OSErr (types.h), 0 for success, and can be made to fail
// by FaultInjection under the PlatformOp of the same name.
#pragma once

#include "platform/types.h"

// Writes the object's data and metadata through to the disk (fsync). Works on
// files and folders; for a folder it makes the names inside it durable. -43
// when the object is gone, -50 for a symbolic link, -36 (or the mapped errno)
// when the disk reports a failure.
OSErr FSFlushObject(const FSRef* ref);

// Renames the file (or link) ref within its folder to name, replacing at once
// a file or link that holds that name: at every moment the name denotes
// either the old object or the renamed one. A folder of that name is left
// alone (-48); ref itself must not be a folder (-1302). The name is checked as
// for FSRenameUnicode (-37). newRef (optional) receives the renamed object.
OSErr FSRenameOverUnicode(const FSRef* ref, UniCharCount nameLength, const UniChar* name,
                          FSRef* newRef);
