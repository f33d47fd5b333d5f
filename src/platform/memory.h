// Memory blocks for code that reports allocation failures as statuses:
// NewPtr answers null on failure and MemError then tells -108. NewPtr can be
// made to fail by FaultInjection (PlatformOp::NewPtr).
#pragma once

#include <cstddef>

#include "platform/types.h"

// A block of size bytes (uninitialised), or null. A size of 0 gives a valid,
// unique block. Free it with DisposePtr.
void* NewPtr(std::size_t size);

// As NewPtr, zero-filled.
void* NewPtrClear(std::size_t size);

// Frees a block of NewPtr or NewPtrClear; null is ignored.
void DisposePtr(void* block);

// The status of the calling thread's last NewPtr/NewPtrClear: 0 or -108
// (or the injected status).
OSErr MemError();
