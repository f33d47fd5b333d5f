// The descriptor of the regular file that this thread created last.
//
// A copy creates a file and opens its data fork for writing at once. Keeping
// the creation's descriptor for that open spares a second walk of the path
// and a second check of what was opened, and the data goes into the very file
// that was created even if another process has put something else under its
// name since. The Finder record the file was created with is remembered as
// well, so that the copy's last step, which sets the file's information, need
// not read it back. Every platform call of this thread that creates, removes or
// renames objects, or sets an object's information (the last step of a
// copy), lets the descriptor go first, so it never outlives the creation's
// own sequence of calls.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/internal.h"

namespace zv_platform_detail {

class CreatedFileSlot {
  public:
    // Takes over fd, open for writing on the new regular file at path; a
    // descriptor kept before is closed.
    static void Keep(int fd, const std::string& path);

    // The kept descriptor, handed over to the caller, when path is the kept
    // one; -1 otherwise.
    static int Take(const char* path);

    // Remembers the Finder record that the new regular file at path (whose
    // statx is st) was created with; a record remembered before is dropped.
    static void RememberFinder(const std::string& path, const struct stat& st,
                               const KnownFinder& record);

    // The remembered record, once, when path and st name the file it was
    // remembered for; false otherwise.
    static bool RecallFinder(const char* path, const struct stat& st, KnownFinder* record);

    // Closes the kept descriptor and drops the remembered record, if any.
    static void Forget();
};

}  // namespace zv_platform_detail
