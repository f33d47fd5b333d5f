// Records shared by the object copy (ObjectCopy.h, FolderCopy.h) and the file
// and fork copy (FileCopy.h, ForkCopy.h): the per-operation context, the
// caller's filter and the duplicate actions.
#pragma once

#include <cstdint>

#include "platform/types.h"

// The destination folder is the source folder or lies inside it.
constexpr OSErr kErrDestInsideSource = -1234;

// The dates that writing an object's contents or entries changes. They are
// written once, when the copy of the object is complete.
constexpr FSCatalogInfoBitmap kCopiedDates = kCatInfoContentMod | kCatInfoAccessDate;

// What a copy reads of each source object: the settable group without the
// creation date, which cannot be set here (reading it costs a look-up of the
// busy mark for every object).
constexpr FSCatalogInfoBitmap kCatInfoCopiedInfo = kCatInfoSettableInfo & ~kCatInfoCreateDate;

// What a new object is created with: the settable group without the dates
// that its contents will change anyway.
constexpr FSCatalogInfoBitmap kCatInfoCreateInfo = kCatInfoSettableInfo & ~kCopiedDates;

// What to do when the destination folder already holds the destination name.
enum : std::uint32_t {
    kDupActionStandard = 0,  // nothing; creating the new object fails with -48
    kDupActionReplace = 1,   // set the old object aside as ".DeleteMe", drop it after success
    kDupActionRename = 2,    // give the new object a unique name ("name 1.ext" ... "name 9.ext")
};

// Called once for every object copied, after its copy. Any status other than
// 0 ends the copy and becomes its result.
using CopyFilterProc = OSErr (*)(bool containerChanged, std::uint32_t currentLevel,
                                 OSErr currentOSErr, FSCatalogInfo* catalogInfo, const FSRef* ref,
                                 const FSSpec* fsSpec, const HFSUniStr255* name, void* yourDataPtr);

// One per copy operation; filled by the preflight.
struct CopyContext {
    void* copyBuffer;          // the one transfer buffer of the operation
    std::uint32_t bufferSize;  // a multiple of 512 in [1024, 2097152]
    bool isDropBox;            // the destination folder is write-only for others
    bool isLocalDestination;   // the destination volume has no server address
    bool canUseServerCopy;     // never true on a local destination
    std::uint32_t dupeAction;  // kDupAction*
};

// One per copy operation: the caller's optional per-object callback.
struct CopyFilterSettings {
    FSCatalogInfoBitmap whichInfo;  // fields the callback wants for each new object
    CopyFilterProc filterProcPtr;   // may be null
    bool containerChanged;          // a folder changed while it was enumerated
    bool wantFSSpec;                // a filter is given and wants legacy file records
    bool wantName;                  // a filter is given and wants names
    void* filterData;               // handed to the callback unchanged
};
