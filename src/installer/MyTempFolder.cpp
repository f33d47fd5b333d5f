#include "installer/MyTempFolder.h"

#include <cstring>
#include <filesystem>
#include <system_error>

void MyRemoveTempFolder(const char* path) {
    if (path == nullptr || std::strlen(path) <= 5) {
        return;
    }
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(path), error);
}
