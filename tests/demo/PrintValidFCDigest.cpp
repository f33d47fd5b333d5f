// Prints the fc.bin digest compiled into the installer library, as 32
// lower-case hex digits and a newline.
#include <cstdio>

#include "installer/MyInstallerWindow.h"

int main() {
    unsigned char digest[16] = {};
    MyInstallerWindow::GetValidFCDigest(digest);
    for (int i = 0; i < 16; ++i) {
        std::printf("%02x", digest[i]);
    }
    std::printf("\n");
    return 0;
}
