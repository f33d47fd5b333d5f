// Helpers shared by the platform tests: a scratch folder and name records.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/names.h"
#include "platform/types.h"

namespace platform_test {

// A fresh folder under /tmp, removed with everything in it at the end.
class ScratchDir {
  public:
    ScratchDir() {
        char pattern[] = "/tmp/zv-plat-XXXXXX";
        char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline HFSUniStr255 Name(const std::string& utf8) {
    HFSUniStr255 name{};
    HFSUniStr255FromUtf8(utf8.c_str(), &name);
    return name;
}

inline std::string Utf8(const HFSUniStr255& name) {
    char buffer[1024];
    return HFSUniStr255ToUtf8(&name, buffer, sizeof buffer) == kNoErr ? buffer : "<bad>";
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

}  // namespace platform_test
