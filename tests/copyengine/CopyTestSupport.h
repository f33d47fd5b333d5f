// Helpers of the copy engine tests: a scratch folder, file and attribute
// makers, and snapshots of whole trees for exact comparisons.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/types.h"

namespace copytest {

// A fresh folder under /tmp, removed (locks cleared first) at the end.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void MakeDir(const std::string& path, unsigned mode = 0755);
void WriteFile(const std::string& path, const std::string& bytes, unsigned mode = 0644);
std::string ReadFile(const std::string& path);
void SetXattr(const std::string& path, const std::string& name, const std::string& value);
bool HasXattr(const std::string& path, const std::string& name);
std::string GetXattr(const std::string& path, const std::string& name);
void MakeLink(const std::string& target, const std::string& path);
void SetMtime(const std::string& path, long long seconds, long nanoseconds = 0);
// Sets or clears the immutable flag; false when this machine does not allow it.
bool SetLocked(const std::string& path, bool locked);
bool IsLocked(const std::string& path);
bool Exists(const std::string& path);
unsigned ModeOf(const std::string& path);  // permission bits of lstat
// The names in a folder, sorted.
std::vector<std::string> List(const std::string& folder);
// A string of n pseudo-random bytes drawn from seed.
std::string Bytes(std::size_t n, unsigned seed);

FSRef Ref(const std::string& path);
HFSUniStr255 Name(const std::string& utf8);

// What a copy keeps of one object: type, contents or link target, mode,
// owner, modification time (at the catalogue's 1/65536 s resolution) and
// every "user." attribute.
struct Entry {
    char type;  // 'f' file, 'd' folder, 'l' link
    std::string data;
    unsigned mode;
    unsigned uid;
    unsigned gid;
    long long mtimeTicks;  // seconds * 65536 + fraction
    bool lock;
    std::map<std::string, std::string> xattrs;
    bool operator==(const Entry&) const = default;
};

// Every object of a tree by its path relative to root ("." for root itself).
using Snapshot = std::map<std::string, Entry>;
Snapshot Snap(const std::string& root);
// A readable account of how two snapshots differ ("" when equal).
std::string Diff(const Snapshot& expected, const Snapshot& actual);

}  // namespace copytest
