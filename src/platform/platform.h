// Platform layer, file half: the small set of native file calls that the file
// library, the copy engine and the archive code stand on, written over
// POSIX/Linux. Nothing above this layer calls POSIX directly.
//
//   types.h            records (FSRef, HFSUniStr255, FSCatalogInfo, ...) and statuses
//   files.h            references, catalogue information, create/delete/move/rename,
//                      forks, folder enumeration, volumes
//   places.h           private temporary folder, Library folders, the bundle
//   names.h            UTF-8 <-> UTF-16 names
//   dates.h            1904-based dates <-> POSIX times
//   memory.h           NewPtr/DisposePtr with MemError
//   fault_injection.h  make any call fail on demand in tests
#pragma once

#include "platform/dates.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/names.h"
#include "platform/places.h"
#include "platform/types.h"
