// zpack: command-line tool for packed archives.
//
// Each command lives in its own source file and is listed once in the table
// of ZpackCommand.cpp; adding a command means adding a file and a row.
// Exit status: 0 success, 1 a failure of the work, 2 a usage error.
#pragma once

namespace zpack {

enum ExitCode { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct ZpackCommand {
    const char* name;      // as typed after "zpack"
    const char* synopsis;  // arguments, for the usage text
    const char* summary;   // one line of help
    // Runs the command; argv[0] is the command name.
    int (*run)(int argc, char** argv);
};

// Every command, ending with a row whose name is null.
extern const ZpackCommand kCommands[];

// Prints the usage text to stdout (help) or stderr (usage error).
void PrintUsage(bool toStderr);

// True when the command's arguments ask for help; prints the command's usage
// to stdout then.
bool HelpRequested(int argc, char** argv);

// Reports a usage error of a command and answers kExitUsage.
int UsageError(const char* command, const char* message);

int RunList(int argc, char** argv);
int RunExtract(int argc, char** argv);
int RunVerify(int argc, char** argv);
int RunCreate(int argc, char** argv);

}  // namespace zpack
