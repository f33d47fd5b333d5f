// How CZPackedFile::Save works and what it reports: the number of threads
// that compress, the memory that compressed data may take before it goes to a
// scratch file, a progress callback, and the reason of a failed save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/types.h"

namespace zorvane {

// Why a save failed.
enum class PackSaveFailure {
    kNone,
    kNoTarget,           // no path given and the object refers to no archive
    kBadTarget,          // the target's folder is missing, or a folder holds its name
    kNameTooLong,        // an entry's name or output path does not fit a record
    kSourceUnreadable,   // a pending entry's file is missing or cannot be read
    kSourceChanged,      // a pending entry's file changed while it was being stored
    kSourceTooLarge,     // a file of 4 GiB or more
    kArchiveUnreadable,  // an archived entry's stream cannot be read from the archive
    kArchiveTooLarge,    // the archive would pass the format's offset limits
    kCompressFailed,     // zlib refused
    kCreateFailed,       // the new file could not be made beside the target
    kWriteFailed,        // writing, flushing or closing the new file failed
    kReplaceFailed,      // the new file could not be renamed over the target
    kNoMemory,
};

// A short English description of a failure, for messages.
const char* PackSaveFailureText(PackSaveFailure failure);

struct stPackSaveReport {
    PackSaveFailure what = PackSaveFailure::kNone;
    OSErr status = 0;        // the platform status behind it, when there is one
    char szPath[1024] = {};  // the file concerned (empty when none)
};

// Progress of a save: bytes of pending files compressed so far, of a total.
using PackSaveProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

struct stPackSaveOptions {
    unsigned nThreads = 0;                  // threads that compress; 0 = one per core
    std::size_t nMemoryBudget = 64u << 20;  // compressed bytes held in memory at most
    PackSaveProgress progress;              // called on the saving thread, a few times a second
    stPackSaveReport* report = nullptr;     // receives the reason of a failure
};

}  // namespace zorvane
