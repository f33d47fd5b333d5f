// The archive writer's plain form, kept as an oracle for tests and as the
// single-threaded peer of the create benchmark.
//
// SaveTwoPass follows the described steps on one thread: pass 1 reads and
// compresses every pending file through CFile to learn its stream's length and
// digest, throwing the stream away; the catalogue is laid out, compressed,
// summed and masked with key := rand(); ten more rand() draws stand for the
// temporary name; pass 2 compresses each pending file again (and reads each
// archived stream from the current archive) while writing. The bytes go
// straight to path: nothing is moved and nothing is reopened.
#pragma once

#include "archive/CZPackedFile.h"

namespace zvtest {

class TwoPassArchive : public zorvane::CZPackedFile {
  public:
    using CZPackedFile::Entry;

    // False when a read, a compression or a write visibly failed.
    bool SaveTwoPass(const char* path);
};

}  // namespace zvtest
