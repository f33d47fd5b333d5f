#include "platform/qt/ZvToolLauncher.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

extern char** environ;

namespace {

constexpr int kPkexecDismissed = 126;
constexpr int kPkexecRefused = 127;
constexpr std::size_t kCommLength = 15;  // the kernel keeps 15 bytes of a program name

std::mutex g_overrideMutex;
std::string g_pkexecOverride;

std::string PkexecOverride() {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    return g_pkexecOverride;
}

// Closes a file descriptor on every path out of a scope.
class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

  private:
    int m_fd;
};

// Starts program with argv (argv[0] included); its standard output goes to
// outFd when that is not -1. Answers the child's pid, or -1.
pid_t Spawn(const std::string& program, const std::vector<std::string>& argv, int outFd) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return -1;
    }
    bool ready = true;
    if (outFd >= 0 && outFd != STDOUT_FILENO) {
        // dup2 leaves the copy open across exec; the pipe's own ends are
        // close-on-exec.
        ready = posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO) == 0;
    }
    pid_t pid = -1;
    if (ready && posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Hands everything read from fd to sink until the writers have closed it.
void Pump(int fd, const ZvToolLauncher::OutputSink& sink) {
    char buffer[513];
    for (;;) {
        std::memset(buffer, 0, sizeof(buffer));
        const ssize_t got = ::read(fd, buffer, 512);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        if (sink) {
            sink(buffer, static_cast<std::size_t>(got));
        }
    }
}

// The name of the program that the ended, not yet reaped child ran last, or
// an empty string when it cannot be read.
std::string LastProgramOf(pid_t pid) {
    siginfo_t info;
    std::memset(&info, 0, sizeof(info));
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) {
        if (errno != EINTR) {
            return std::string();
        }
    }
    char path[64];
    std::snprintf(path, sizeof(path), "/proc/%d/comm", static_cast<int>(pid));
    std::string name;
    if (FILE* file = std::fopen(path, "re")) {
        char line[64] = {0};
        if (std::fgets(line, sizeof(line), file) != nullptr) {
            name = line;
        }
        std::fclose(file);
    }
    while (!name.empty() && name.back() == '\n') {
        name.pop_back();
    }
    return name;
}

// Reaps the child; answers its exit status, or 128 + the signal that ended it.
int Reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

std::string CommOf(const std::string& program) {
    const std::size_t slash = program.rfind('/');
    const std::string base = slash == std::string::npos ? program : program.substr(slash + 1);
    return base.substr(0, kCommLength);
}

std::vector<std::string> Command(const std::string& first, const std::vector<std::string>& rest) {
    std::vector<std::string> all;
    all.reserve(rest.size() + 1);
    all.push_back(first);
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

// Runs program with argv, its standard output through a pipe to sink. When
// pkexecComm is not empty, program is pkexec and the answer tells a run of
// the tool from a refusal.
ZvToolLauncher::Result RunPiped(const std::string& program, const std::vector<std::string>& argv,
                                const ZvToolLauncher::OutputSink& sink,
                                const std::string& pkexecComm) {
    ZvToolLauncher::Result result;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return result;
    }
    Fd readEnd(ends[0]);
    Fd writeEnd(ends[1]);
    const pid_t pid = Spawn(program, argv, writeEnd.Get());
    writeEnd.Close();  // only the child writes now, so the read sees its end
    if (pid < 0) {
        return result;
    }
    Pump(readEnd.Get(), sink);

    const std::string last = pkexecComm.empty() ? std::string() : LastProgramOf(pid);
    const int status = Reap(pid);
    if (pkexecComm.empty()) {
        result.outcome = ZvToolLauncher::Outcome::Ran;
        result.exitStatus = status;
        return result;
    }
    const bool toolNeverRan = last.empty()
                                  ? (status == kPkexecDismissed || status == kPkexecRefused)
                                  : last == pkexecComm;
    if (toolNeverRan) {
        result.outcome = status == kPkexecDismissed ? ZvToolLauncher::Outcome::Dismissed
                                                    : ZvToolLauncher::Outcome::Refused;
        return result;
    }
    result.outcome = ZvToolLauncher::Outcome::Ran;
    result.exitStatus = status;
    return result;
}

}  // namespace

ZvToolLauncher::Result ZvToolLauncher::Run(const std::string& tool,
                                           const std::vector<std::string>& args) {
    Result result;
    const pid_t pid = Spawn(tool, Command(tool, args), -1);
    if (pid < 0) {
        return result;
    }
    result.exitStatus = Reap(pid);
    result.outcome = Outcome::Ran;
    return result;
}

ZvToolLauncher::Result ZvToolLauncher::RunPrivileged(const std::string& tool,
                                                     const std::vector<std::string>& args,
                                                     const OutputSink& sink) {
    const std::string override = PkexecOverride();
    if (override.empty() && geteuid() == 0) {
        return RunPiped(tool, Command(tool, args), sink, std::string());
    }
    const std::string pkexec = override.empty() ? std::string(kPkexecPath) : override;
    std::vector<std::string> argv = Command(pkexec, Command(tool, args));
    return RunPiped(pkexec, argv, sink, CommOf(pkexec));
}

void ZvToolLauncher::SetPkexecPathForTests(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_pkexecOverride = path;
}
