// Prints the fc.bin digest compiled into the installer library, as 32
// lower-case hex digits and a newline.
#include <cstdio>

#include "installer/MyInstallerWindow.h"

int main() {
    const unsigned char* digest = MyInstallerWindow::ValidFCDigest();
    for (int i = 0; i < 16; ++i) {
        std::printf("%02x", digest[i]);
    }
    std::printf("\n");
    return 0;
}
