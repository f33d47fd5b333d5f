// zpack extract ARCHIVE [-C DIR] [NAME...]: writes entries under DIR with
// their folders, dates and modes. A failing entry is named on stderr and the
// others still go out; the exit status is 1 when any entry failed.
//
// Entries go out in chunks of neighbours; messages about failed entries come
// out in entry order at the end. (A second thread was tried and measured: the
// work is bound by file-system calls, and two writers only added kernel time.)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ZpackCommand.h"
#include "ZpackSupport.h"

namespace zpack {

namespace {

struct ExtractArgs {
    const char* archive = nullptr;
    const char* folder = ".";
    std::vector<const char*> names;
};

// Parses ARCHIVE [-C DIR] [NAME...]; options may come anywhere before "--".
// Answers an error message, or null.
const char* ParseArgs(int argc, char** argv, ExtractArgs& args) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(a, "-C") == 0) {
            if (++i == argc) {
                return "-C needs a folder";
            }
            args.folder = argv[i];
        } else if (options && a[0] == '-' && a[1] != '\0') {
            return "unknown option";
        } else if (args.archive == nullptr) {
            args.archive = a;
        } else {
            args.names.push_back(a);
        }
    }
    return args.archive ? nullptr : "missing ARCHIVE";
}

// A progress line on a terminal, redrawn at most ten times a second.
class Progress {
  public:
    explicit Progress(unsigned long total) : m_total(total), m_shown(isatty(STDERR_FILENO)) {}
    ~Progress() { Clear(); }
    void Step(unsigned long done) {
        if (!m_shown) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_drawn && now - m_last < std::chrono::milliseconds(100) && done != m_total) {
            return;
        }
        m_last = now;
        m_drawn = true;
        std::fprintf(stderr, "\rextracting %lu/%lu", done, m_total);
        std::fflush(stderr);
    }
    // Clears the line before a message.
    void Clear() {
        if (m_drawn) {
            std::fprintf(stderr, "\r%*s\r", 40, "");
            m_drawn = false;
        }
    }

  private:
    unsigned long m_total;
    bool m_shown;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_last;
};

// Entries go out in chunks of neighbours, which lets the archive read their
// streams together and reuse its folder handles.
constexpr std::size_t kChunk = 128;

// Extracts ids[first, first + kChunk) (or fewer at the end); empty entries
// become empty files.
void ExtractChunk(zorvane::CZPackedFile& archive, const std::vector<unsigned long>& ids,
                  std::size_t first, const char* folder, std::vector<char>& bad) {
    const std::size_t n = std::min(kChunk, ids.size() - first);
    bool written[kChunk];
    archive.OutputFilesById(ids.data() + first, n, folder, "", true, true, written);
    for (std::size_t i = 0; i < n; ++i) {
        bad[first + i] = !written[i];
    }
}

// Extracts ids chunk by chunk (with a progress line on a terminal); answers
// which failed.
std::vector<char> ExtractAll(zorvane::CZPackedFile& archive, const std::vector<unsigned long>& ids,
                             const char* folder) {
    std::vector<char> bad(ids.size(), 0);
    Progress progress(ids.size());
    for (std::size_t i = 0; i < ids.size(); i += kChunk) {
        ExtractChunk(archive, ids, i, folder, bad);
        progress.Step(std::min(i + kChunk, ids.size()));
    }
    progress.Clear();
    return bad;
}

}  // namespace

int RunExtract(int argc, char** argv) {
    if (HelpRequested(argc, argv)) {
        return kExitOk;
    }
    ExtractArgs args;
    if (const char* error = ParseArgs(argc, argv, args)) {
        return UsageError("extract", error);
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(args.folder, ec)) {
        std::fprintf(stderr, "zpack: %s: no such folder\n", Printable(args.folder).c_str());
        return kExitFailure;
    }
    zorvane::CZPackedFile archive;
    if (!OpenArchive(archive, args.archive)) {
        return kExitFailure;
    }
    bool failed = false;
    std::vector<unsigned long> ids;
    if (args.names.empty()) {
        for (unsigned long id = 0; id < archive.GetFileImageNum(); ++id) {
            ids.push_back(id);
        }
    }
    for (const char* name : args.names) {
        const int id = archive.GetFileId(name);
        if (id < 0) {
            std::fprintf(stderr, "zpack: %s: not in archive\n", Printable(name).c_str());
            failed = true;
        } else {
            ids.push_back(static_cast<unsigned long>(id));
        }
    }
    const std::vector<char> bad = ExtractAll(archive, ids, args.folder);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (bad[i]) {
            const char* why = archive.CheckFileById(ids[i])
                                  ? "cannot be written (unsafe path or write error)"
                                  : "damaged";
            std::fprintf(stderr, "zpack: %s: %s\n", EntryPath(archive, ids[i]).c_str(), why);
            failed = true;
        }
    }
    return failed ? kExitFailure : kExitOk;
}

}  // namespace zpack
