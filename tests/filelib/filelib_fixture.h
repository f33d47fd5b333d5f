// A scratch world for file library tests: an application bundle (so that the
// application folder is known), a current folder and a temporary folder, all
// under one fresh folder that is removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fault_injection.h"
#include "platform/places.h"

namespace filelib_test {

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

inline bool IsFolder(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

inline off_t SizeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

class FileLibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zv-filelib-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        app = root + "/app";
        cwd = root + "/cwd";
        tmp = root + "/tmp";
        std::filesystem::create_directories(app + "/Product.bundle/Resources");
        std::filesystem::create_directories(cwd);
        std::filesystem::create_directories(tmp);
        BundleSetMainBundlePath((app + "/Product.bundle").c_str());
        const char* old = getenv("TMPDIR");
        hadTmpdir = old != nullptr;
        oldTmpdir = hadTmpdir ? old : "";
        setenv("TMPDIR", tmp.c_str(), 1);
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        oldCwd = here;
        ASSERT_EQ(chdir(cwd.c_str()), 0);
        privateTmp = tmp + "/zorvane-" + std::to_string(geteuid());
    }

    void TearDown() override {
        FaultInjection::Reset();
        if (chdir(oldCwd.c_str()) != 0) {
            ADD_FAILURE() << "cannot go back to " << oldCwd;
        }
        hadTmpdir ? setenv("TMPDIR", oldTmpdir.c_str(), 1) : unsetenv("TMPDIR");
        BundleSetMainBundlePath(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    std::string root, app, cwd, tmp, privateTmp;

  private:
    std::string oldCwd, oldTmpdir;
    bool hadTmpdir = false;
};

}  // namespace filelib_test
