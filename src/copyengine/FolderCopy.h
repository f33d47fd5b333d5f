// Folder tree copy: a folder with everything in it copied into a destination
// folder. The walk is a queue, not a recursion: the pairs of the sub-folders
// that one folder's pass creates go right after that folder's pair, so the
// order is depth first while the stack stays flat and at most one folder
// enumeration is open at a time.
//
// Outside a drop box the new top folder carries the busy mark (the busy
// creation date) until the whole tree is in place, and until then it belongs
// to the copier with owner-only rights: a copy made with administrator rights
// of a tree that a user owns gives that user no way into the half-made tree
// (to replace a folder in it by a link, say) before it is finished. Every folder gets its real
// permissions, lock and dates once everything inside it is done, innermost first, the top folder
// last. A child that fails ends the copy with its status, and a failed copy removes the tree it
// made.
#pragma once

#include <cstdint>

#include "copyengine/CopyTypes.h"
#include "copyengine/LinkedList.h"
#include "platform/types.h"

// Children fetched per enumeration step.
constexpr std::uint32_t kMaxChildrenPerFetch = 80;

// One queue entry: a source folder, its copy, and its level (0 = top).
struct FolderPair {
    FSRef sourceDir;
    FSRef destDir;
    std::uint32_t level;
    FSCatalogInfo sourceInfo;  // what the copy gets once its contents are done
};

// The state of one folder-tree copy.
struct FolderCopyState {
    FSRef currentSrcDir;
    FSRef currentDstDir;
    FSCatalogInfo* catalogInfoList;  // kMaxChildrenPerFetch records each
    FSRef* srcRefList;
    HFSUniStr255* nameList;
    LinkedList folderList;           // FolderPair items, in processing order
    ListIterator currentFolderPair;  // the pair being processed
    CopyContext* copyContext;
    CopyFilterSettings* filterSettings;
    std::uint32_t maxLevels;  // 0: no limit
    std::uint32_t currentLevel;
};

// Copies the folder source into destDir as newName. sourceInfo is the
// source's settable catalogue information. newFolder and newSpec (optional)
// are set on success only.
OSErr FSCopyFolder(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* sourceInfo,
                   const HFSUniStr255* newName, CopyContext* copyContext,
                   CopyFilterSettings* filterSettings, std::uint32_t maxLevels, FSRef* newFolder,
                   FSSpec* newSpec);

// Copies the children of every queued folder in queue order; stops at the
// first failure.
OSErr ProcessFolderList(FolderCopyState* state);

// Copies the children of the current folder: files are copied, sub-folders
// created and (within the level limit) queued right after the current pair.
OSErr CopyFolder(FolderCopyState* state);

// Creates one sub-folder of the tree with the source's information (owner
// rights added) and copies the folder's own forks.
OSErr CreateFolder(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* sourceInfo,
                   const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFolder,
                   FSSpec* newSpec);

// Creates a folder from a private copy of info with the "already placed"
// Finder flag and the lock cleared and owner read/write/search added, then
// copies the source folder's forks into it. A folder whose forks fail is
// removed again.
OSErr DoCreateFolder(const FSRef* source, const FSRef* destDir, const FSCatalogInfo* info,
                     const HFSUniStr255* name, CopyContext* copyContext, FSRef* newFolder,
                     FSSpec* newSpec);
