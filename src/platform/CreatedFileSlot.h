// The descriptor of the regular file that this thread created last.
//
// A copy creates a file and opens its data fork for writing at once. Keeping
// the creation's descriptor for that open spares a second walk of the path
// and a second check of what was opened, and the data goes into the very file
// that was created even if another process has put something else under its
// name since. Every platform call of this thread that creates, removes or
// renames objects, or sets an object's information (the last step of a
// copy), lets the descriptor go first, so it never outlives the creation's
// own sequence of calls.
#pragma once

#include <string>

namespace zv_platform_detail {

class CreatedFileSlot {
  public:
    // Takes over fd, open for writing on the new regular file at path; a
    // descriptor kept before is closed.
    static void Keep(int fd, const std::string& path);

    // The kept descriptor, handed over to the caller, when path is the kept
    // one; -1 otherwise.
    static int Take(const char* path);

    // Closes the kept descriptor, if any.
    static void Forget();
};

}  // namespace zv_platform_detail
