// zpack create ARCHIVE PATH... [--output-path P]: builds a new archive at
// ARCHIVE, replacing any file there only once the new one is complete. A
// folder adds every file below it under "./<folder>/..." (".DS_Store" files
// are left out, empty folders leave no trace); a single file goes under P,
// "./" by default. The archive itself is never added to itself. On a
// terminal, a build that takes a while shows its progress.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "ZpackCommand.h"
#include "ZpackSupport.h"

namespace zpack {

namespace {

namespace fs = std::filesystem;

struct CreateArgs {
    const char* archive = nullptr;
    std::vector<const char*> paths;
    std::string outputPath = "./";
};

// Parses ARCHIVE PATH... [--output-path P]; options may come anywhere before
// "--". Answers an error message, or null.
const char* ParseArgs(int argc, char** argv, CreateArgs& args) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(a, "--output-path") == 0) {
            if (++i == argc) {
                return "--output-path needs a value";
            }
            args.outputPath = argv[i];
        } else if (options && std::strncmp(a, "--output-path=", 14) == 0) {
            args.outputPath = a + 14;
        } else if (options && a[0] == '-' && a[1] != '\0') {
            return "unknown option";
        } else if (args.archive == nullptr) {
            args.archive = a;
        } else {
            args.paths.push_back(a);
        }
    }
    if (args.archive == nullptr) {
        return "missing ARCHIVE";
    }
    return args.paths.empty() ? "missing PATH" : nullptr;
}

// The output path as stored: relative, never climbing out with "..", and
// ending in "/" as a folder does. Empty when it is not acceptable.
std::string CheckOutputPath(std::string p) {
    if (p.empty() || p[0] == '/') {
        return "";
    }
    for (const auto& part : fs::path(p)) {
        if (part == "..") {
            return "";
        }
    }
    if (p.back() != '/') {
        p += '/';
    }
    return p;
}

// An absolute path without "." or ".." parts or a trailing "/", so that a
// folder's own name becomes its top folder in the archive and no lookup
// depends on the current folder.
std::string Absolute(const char* path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') {
        s.pop_back();
    }
    return s;
}

// A progress line on a terminal, for builds that last more than a second,
// redrawn at most ten times a second.
class Progress {
  public:
    Progress() : m_bShown(isatty(STDERR_FILENO)), m_Start(std::chrono::steady_clock::now()) {}
    ~Progress() { Clear(); }
    void Step(std::uint64_t done, std::uint64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (!m_bShown || total == 0 || now - m_Start < std::chrono::seconds(1) ||
            now - m_Last < std::chrono::milliseconds(100)) {
            return;
        }
        m_Last = now;
        m_bDrawn = true;
        std::fprintf(stderr, "\rcompressing %3d%%  %llu/%llu MB",
                     static_cast<int>(done * 100 / total),
                     static_cast<unsigned long long>(done >> 20),
                     static_cast<unsigned long long>(total >> 20));
        std::fflush(stderr);
    }
    void Clear() {
        if (m_bDrawn) {
            std::fprintf(stderr, "\r%*s\r", 48, "");
            m_bDrawn = false;
        }
    }

  private:
    bool m_bShown;
    bool m_bDrawn = false;
    std::chrono::steady_clock::time_point m_Start;
    std::chrono::steady_clock::time_point m_Last;
};

// Adds every PATH; false (after a message) when one is missing or refused.
bool AddPaths(zorvane::CZPackedFile& archive, const CreateArgs& args, const std::string& output) {
    for (const char* path : args.paths) {
        const std::string abs = Absolute(path);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(abs, ec))) {
            std::fprintf(stderr, "zpack: %s: no such file or folder\n", Printable(path).c_str());
            return false;
        }
        if (!archive.AddFilePath(abs.c_str(), output.c_str())) {
            std::fprintf(stderr,
                         "zpack: %s: a name or output path is longer than an archive record "
                         "holds (259 bytes)\n",
                         Printable(path).c_str());
            return false;
        }
    }
    return true;
}

// Drops the entries that would store the archive in itself.
void LeaveOutArchive(zorvane::CZPackedFile& archive, const std::string& archivePath) {
    for (unsigned long id = archive.GetFileImageNum(); id-- > 0;) {
        if (archivePath == archive.GetFileImageNameById(id)) {
            std::fprintf(stderr, "zpack: %s: the archive itself is left out\n",
                         Printable(archivePath).c_str());
            archive.RemoveFileInfo(static_cast<int>(id));
        }
    }
}

}  // namespace

int RunCreate(int argc, char** argv) {
    if (HelpRequested(argc, argv)) {
        return kExitOk;
    }
    CreateArgs args;
    if (const char* error = ParseArgs(argc, argv, args)) {
        return UsageError("create", error);
    }
    const std::string output = CheckOutputPath(args.outputPath);
    if (output.empty()) {
        return UsageError("create", "the output path must be relative and must not contain \"..\"");
    }
    const std::string archivePath = Absolute(args.archive);
    zorvane::CZPackedFile archive;
    if (!AddPaths(archive, args, output)) {
        return kExitFailure;
    }
    LeaveOutArchive(archive, archivePath);

    Progress progress;
    zorvane::stPackSaveReport report;
    zorvane::stPackSaveOptions options;
    options.report = &report;
    options.progress = [&progress](std::uint64_t done, std::uint64_t total) {
        progress.Step(done, total);
    };
    const bool saved = archive.Save(archivePath.c_str(), options);
    progress.Clear();
    if (!saved) {
        const char* what = report.szPath[0] ? report.szPath : args.archive;
        std::fprintf(stderr, "zpack: %s: %s\n", Printable(what).c_str(),
                     zorvane::PackSaveFailureText(report.what));
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace zpack
