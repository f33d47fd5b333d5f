// Copy engine: copies a file, a symbolic link or a whole folder tree with all
// its forks (contents and "user." extended attributes) and catalogue
// information (owner, mode, dates, lock, Finder information), deletes trees,
// and moves files by copy and delete.
//
//   ObjectCopy.h   FSCopyObject and its preflight, names, volumes, drop boxes
//   FolderCopy.h   the depth-first folder tree copy
//   FileCopy.h     one file or link
//   ForkCopy.h     the forks of one object, through the copy buffer
//   BufferSize.h   copy buffer size from the volumes' speed
//   BusyDate.h     the creation date that marks a folder under construction
//   TreeDelete.h   recursive deletion
//   LinkedList.h   the list behind the folder queue and the fork list
//   zrmCopyObject.h  the library entry: copy in replace mode, true or false
//
// Symbolic links are never followed anywhere: a link is copied as a link with
// the same target text and deleted as itself.
#pragma once

#include "copyengine/BufferSize.h"
#include "copyengine/BusyDate.h"
#include "copyengine/CopyTypes.h"
#include "copyengine/FileCopy.h"
#include "copyengine/FolderCopy.h"
#include "copyengine/ForkCopy.h"
#include "copyengine/LinkedList.h"
#include "copyengine/ObjectCopy.h"
#include "copyengine/TreeDelete.h"
