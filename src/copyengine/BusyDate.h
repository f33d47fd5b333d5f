// The creation date that marks a folder under construction: 1946-02-14
// 00:34:56 local time, as UTC. A folder copy puts it on its new top folder
// (as the platform's busy mark) until the whole tree is in place.
#pragma once

#include "platform/types.h"

// Writes the busy date into *date. -50 for null; the conversion's status when
// local time cannot be converted. Computed on first use, then cached; safe on
// several threads.
OSErr GetMagicBusyCreateDate(UTCDateTime* date);
