// Fork copy: every fork of a file or folder (the data fork, then the "user."
// extended attributes) copied into an existing destination object through the
// operation's one copy buffer. Ordinary destinations are copied fork by fork;
// drop boxes (folders the user may write into but not read) get all their
// forks created and opened before any data is written.
#pragma once

#include <cstdint>

#include "copyengine/CopyTypes.h"
#include "platform/types.h"

// One open destination fork of a drop-box copy.
struct ForkEntry {
    HFSUniStr255 forkName;
    std::uint64_t forkSize;
    FSIORefNum forkDestRefNum;  // 0 when the fork was not opened
};

// Copies every fork of source into destination: CopyForksToDropBox when the
// context says drop box, else CopyForksToDisk.
OSErr CopyForks(const FSRef* source, const FSRef* dest, CopyContext* copyContext);

// Fork by fork: create, open both, copy, close. -1421 (fork exists) is
// tolerated only on a destination that is not local.
OSErr CopyForksToDisk(const FSRef* source, const FSRef* dest, CopyContext* copyContext);

// All destination forks created and opened first, then filled one by one.
OSErr CopyForksToDropBox(const FSRef* source, const FSRef* dest, CopyContext* copyContext);

// Creates and opens (when not empty) every destination fork of a drop-box
// copy, appending one ForkEntry per fork to forkList.
OSErr OpenAllForks(const FSRef* source, const FSRef* dest, struct LinkedList* forkList);

// Copies forkSize bytes from the source fork to the destination fork in
// chunks of the context's buffer size. On a local destination the last chunk
// is written rounded up to 512 bytes and the fork is cut back to its size.
OSErr WriteFork(FSIORefNum srcRefNum, FSIORefNum destRefNum, CopyContext* copyContext,
                std::uint64_t forkSize);

// Dispose callback of a fork list: closes the entry's destination fork when
// it is open, then frees the entry.
void MyCloseForkProc(void* forkEntry);
