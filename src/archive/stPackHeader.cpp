#include "archive/stPackHeader.h"

#include "archive/BigEndian.h"

namespace zorvane {

void stPackHeader::Encode(unsigned char* out) const {
    PutBE32(out + 0, magic);
    PutBE32(out + 4, version);
    PutBE32(out + 8, fileNum);
    PutBE32(out + 12, catalogPackedSize);
    PutBE32(out + 16, catalogSize);
    PutBE32(out + 20, checksum);
    PutBE32(out + 24, key);
}

stPackHeader stPackHeader::Decode(const unsigned char* in) {
    stPackHeader h;
    h.magic = GetBE32(in + 0);
    h.version = GetBE32(in + 4);
    h.fileNum = GetBE32(in + 8);
    h.catalogPackedSize = GetBE32(in + 12);
    h.catalogSize = GetBE32(in + 16);
    h.checksum = GetBE32(in + 20);
    h.key = GetBE32(in + 24);
    return h;
}

}  // namespace zorvane
