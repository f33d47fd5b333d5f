// Helpers shared by the zpack commands: opening an archive with a clear
// message, and showing entry paths safely on a terminal.
#pragma once

#include <string>

#include "archive/CZPackedFile.h"

namespace zpack {

// Opens path into archive; on failure prints one line naming the file and
// the reason (missing, unreadable, not an archive, damaged) and answers
// false.
bool OpenArchive(zorvane::CZPackedFile& archive, const char* path);

// The entry's output folder joined with its name ("./Foo/" + "a.txt" gives
// "./Foo/a.txt"), with control characters shown as "?" so that a hostile
// name cannot drive the terminal.
std::string EntryPath(const zorvane::CZPackedFile& archive, unsigned long id);

// Replaces control characters with "?".
std::string Printable(const std::string& text);

}  // namespace zpack
