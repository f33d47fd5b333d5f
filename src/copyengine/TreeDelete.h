// Recursive deletion of a file-system object with everything inside it. The
// copy engine removes half-made copies and superseded destination objects
// with it.
//
// The walk never follows a symbolic link: a link is an object of its own and
// is removed itself, never what it points to. Locked items are unlocked first.
// The deletion is depth first and post-order, and stops at the first failure;
// what was deleted before it stays deleted.
#pragma once

#include <cstdint>

#include "platform/types.h"

// The record shared by all levels of one tree deletion.
struct DeleteState {
    FSCatalogInfo catalogInfo;   // node flags of the item most recently read
    std::uint32_t actualCount;   // items the last enumeration step returned
    OSErr result;                // status of the deletion so far
    std::uint32_t deletedCount;  // objects deleted so far
};

// Deletes the object and, for a folder, everything inside it. -50 for null.
OSErr FSDeleteObjects(const FSRef* source);

// As FSDeleteObjects; deletedCount (optional) receives how many objects were
// deleted, so that a caller can tell a failure that left the object whole
// (0) from one that left part of it.
OSErr FSDeleteObjectsCounted(const FSRef* source, std::uint32_t* deletedCount);

// Deletes everything inside the folder, not the folder itself. -50 for null.
OSErr FSDeleteFolder(const FSRef* container);

// As FSDeleteFolder; deletedCount (optional) as above.
OSErr FSDeleteFolderCounted(const FSRef* container, std::uint32_t* deletedCount);

// Deletes the contents of one folder, recursing into sub-folders; the status
// goes into state->result.
void FSDeleteFolderLevel(const FSRef* container, DeleteState* state);
