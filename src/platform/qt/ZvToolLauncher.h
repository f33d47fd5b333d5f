// ZvToolLauncher: runs a command-line tool and waits for it, either with the
// user's own rights or with administrator rights.
//
// With administrator rights, a process that already runs as root runs the
// tool itself. Any other process asks polkit through pkexec, called by its
// absolute path. pkexec answers 126 when the authentication prompt was
// dismissed and 127 when the right was refused or could not be asked for;
// a tool can exit with those numbers too, so the launcher looks at which
// program the child process last ran when it ended (pkexec replaces itself
// with the tool once the right is granted): if it is still pkexec, the tool
// never ran. The tool's standard output goes through a pipe to the caller's
// sink; its standard input and error are the caller's.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class ZvToolLauncher {
  public:
    enum class Outcome {
        Ran,         // the tool was started; exitStatus is its status
        Dismissed,   // the authentication prompt was dismissed (cancel)
        Refused,     // the right was refused or could not be asked for
        NotStarted,  // the tool (or pkexec) could not be started at all
    };

    struct Result {
        Outcome outcome = Outcome::NotStarted;
        // The tool's exit status, or 128 + the signal that ended it; -1 when
        // it did not run.
        int exitStatus = -1;
    };

    // Receives the tool's standard output, in pieces of at most 512 bytes.
    using OutputSink = std::function<void(const char* bytes, std::size_t count)>;

    static constexpr const char* kPkexecPath = "/usr/bin/pkexec";

    // Runs tool (an absolute path) with args as the current user, its
    // standard streams those of the caller, and waits until it has exited.
    static Result Run(const std::string& tool, const std::vector<std::string>& args);

    // Runs tool with args with administrator rights and waits until it has
    // exited, handing its standard output to sink (null: the output is read
    // and dropped).
    static Result RunPrivileged(const std::string& tool, const std::vector<std::string>& args,
                                const OutputSink& sink);

    // Test seam: use this program in place of pkexec, even when the process
    // runs as root. An empty path restores the product's behaviour.
    static void SetPkexecPathForTests(const std::string& path);
};
