// Fault injection: tests make the N-th call of a chosen platform operation
// fail with a chosen status, and count calls per operation so that every call
// a procedure makes can be failed in turn.
//
// Process-wide and thread-safe. When nothing is armed and nobody counts, the
// check inside each platform call costs one relaxed atomic load.
//
//   FaultInjection::StartCounting();
//   RunProcedure();                       // counts every platform call
//   auto n = FaultInjection::CallCount(PlatformOp::FSWriteFork);
//   for (uint32_t i = 1; i <= n; ++i) {
//       FaultInjection::Arm(PlatformOp::FSWriteFork, i, kErrDiskFull);
//       RunProcedure();                   // its i-th write fails with -34
//       FaultInjection::Reset();
//   }
#pragma once

#include <cstdint>

#include "platform/types.h"

// Every injectable platform call. A failing call returns the injected status
// (NewPtr returns null and MemError gives the status) and does nothing else,
// except FSCloseFork and FSCloseIterator, which still release their handle.
enum class PlatformOp : int {
    FSPathMakeRef,
    FSRefMakePath,
    FSMakeFSRefUnicode,
    FSCompareFSRefs,
    FSpMakeFSRef,
    FSGetCatalogInfo,
    FSSetCatalogInfo,
    FSSetBusyMark,
    FSClearBusyMark,
    FSCreateFileUnicode,
    FSCreateDirectoryUnicode,
    FSDeleteObject,
    FSMoveObject,
    FSRenameUnicode,
    FSIterateForks,
    FSCreateFork,
    FSDeleteFork,
    FSOpenFork,
    FSReadFork,
    FSWriteFork,
    FSAllocateFork,
    FSSetForkSize,
    FSGetForkSize,
    FSCloseFork,
    FSOpenIterator,
    FSCloseIterator,
    FSGetCatalogInfoBulk,
    FSGetVolumeRefNum,
    PBHGetVolParmsSync,
    PBHCopyFileSync,
    PBHGetDirAccessSync,
    FSFindFolder,
    FSFindFolderPath,
    BundleGetMainBundle,
    BundleGetResourcesFolder,
    BundleGetApplicationFolder,
    NewPtr,
    ConvertLocalTimeToUTC,
    FSFlushObject,
    FSRenameOverUnicode,
    Count  // number of operations, not an operation
};

// Name of an operation ("FSWriteFork"), for test messages.
const char* PlatformOpName(PlatformOp op);

class FaultInjection {
  public:
    // From now on, the nth call (1 = the next one) of op fails once with
    // status. Arming an operation again replaces its earlier arming; other
    // operations keep theirs. nth 0 disarms op.
    static void Arm(PlatformOp op, std::uint32_t nth, OSErr status);

    // As Arm, but the nth call and every later call of op fail.
    static void ArmFrom(PlatformOp op, std::uint32_t nth, OSErr status);

    // Counts the calls of every operation from 0 until Reset.
    static void StartCounting();

    // Calls of op seen since the last StartCounting or Reset (calls are seen
    // while somebody counts or any operation is armed).
    static std::uint32_t CallCount(PlatformOp op);

    // Sum of CallCount over all operations.
    static std::uint32_t TotalCallCount();

    // How many injected failures have fired since the last Reset.
    static std::uint32_t FiredCount();

    // Disarms everything, stops counting, clears all counts.
    static void Reset();

    // Called first by every injectable platform call: 0 to go on, or the
    // status to fail with.
    static OSErr Check(PlatformOp op);
};

// Arms one operation for the lifetime of the object and resets the whole
// facility when it ends.
class ScopedFault {
  public:
    ScopedFault(PlatformOp op, std::uint32_t nth, OSErr status) {
        FaultInjection::Arm(op, nth, status);
    }
    ~ScopedFault() { FaultInjection::Reset(); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
};
