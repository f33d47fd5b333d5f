#include "CopyTestSupport.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/files.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace copytest {

namespace {

void Check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what);
    }
}

void UnlockTree(const std::string& root) {
    SetLocked(root, false);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_symlink()) {
            SetLocked(it->path().string(), false);
        }
    }
}

long long Ticks(const struct timespec& t) {
    return static_cast<long long>(t.tv_sec) * 65536 +
           static_cast<long long>((static_cast<unsigned long long>(t.tv_nsec) << 16) / 1000000000);
}

std::map<std::string, std::string> UserXattrs(const std::string& path) {
    std::map<std::string, std::string> result;
    std::vector<char> names(65536);
    ssize_t n = llistxattr(path.c_str(), names.data(), names.size());
    for (ssize_t pos = 0; n > 0 && pos < n;) {
        std::string name(names.data() + pos);
        pos += static_cast<ssize_t>(name.size()) + 1;
        if (name.rfind("user.", 0) == 0) {
            result[name] = GetXattr(path, name);
        }
    }
    return result;
}

void SnapInto(const std::string& path, const std::string& rel, Snapshot* out) {
    struct stat st;
    Check(lstat(path.c_str(), &st) == 0, "lstat " + path);
    Entry e{};
    e.mode = st.st_mode & 07777;
    e.uid = st.st_uid;
    e.gid = st.st_gid;
    e.mtimeTicks = Ticks(st.st_mtim);
    e.xattrs = UserXattrs(path);
    if (S_ISLNK(st.st_mode)) {
        e.type = 'l';
        e.data = fs::read_symlink(path).string();
        e.mode = 0;  // a link's own mode cannot be set
    } else if (S_ISDIR(st.st_mode)) {
        e.type = 'd';
        e.lock = IsLocked(path);
        for (const std::string& name : List(path)) {
            SnapInto(path + "/" + name, rel == "." ? name : rel + "/" + name, out);
        }
    } else {
        e.type = 'f';
        e.lock = IsLocked(path);
        e.data = ReadFile(path);
    }
    (*out)[rel] = e;
}

std::string Describe(const Entry& e) {
    std::ostringstream s;
    s << e.type << " mode=" << std::oct << e.mode << std::dec << " uid=" << e.uid
      << " gid=" << e.gid << " mtime=" << e.mtimeTicks << " lock=" << e.lock
      << " size=" << e.data.size() << " xattrs=";
    for (const auto& [k, v] : e.xattrs) {
        s << k << "(" << v.size() << ") ";
    }
    return s.str();
}

}  // namespace

ScratchDir::ScratchDir() {
    char templ[] = "/tmp/zv-copytest-XXXXXX";
    Check(mkdtemp(templ) != nullptr, "mkdtemp");
    path_ = templ;
}

ScratchDir::~ScratchDir() {
    UnlockTree(path_);
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void MakeDir(const std::string& path, unsigned mode) {
    Check(mkdir(path.c_str(), 0700) == 0, "mkdir " + path);
    Check(chmod(path.c_str(), mode) == 0, "chmod " + path);
}

void WriteFile(const std::string& path, const std::string& bytes, unsigned mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        Check(out.good(), "write " + path);
    }
    Check(chmod(path.c_str(), mode) == 0, "chmod " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void SetXattr(const std::string& path, const std::string& name, const std::string& value) {
    Check(lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0,
          "setxattr " + path + " " + name);
}

bool HasXattr(const std::string& path, const std::string& name) {
    return lgetxattr(path.c_str(), name.c_str(), nullptr, 0) >= 0;
}

std::string GetXattr(const std::string& path, const std::string& name) {
    ssize_t n = lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (n < 0) {
        return {};
    }
    std::string value(static_cast<std::size_t>(n), '\0');
    n = lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
    value.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return value;
}

void MakeLink(const std::string& target, const std::string& path) {
    Check(symlink(target.c_str(), path.c_str()) == 0, "symlink " + path);
}

void SetMtime(const std::string& path, long long seconds, long nanoseconds) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanoseconds}};
    Check(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0, "utimensat " + path);
}

bool SetLocked(const std::string& path, bool locked) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return ok;
}

bool IsLocked(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool locked = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL) != 0;
    close(fd);
    return locked;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

unsigned ModeOf(const std::string& path) {
    struct stat st;
    Check(lstat(path.c_str(), &st) == 0, "lstat " + path);
    return st.st_mode & 07777;
}

std::vector<std::string> List(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Bytes(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = static_cast<char>(x);
    }
    return s;
}

FSRef Ref(const std::string& path) {
    FSRef ref{};
    Check(FSPathMakeRef(path.c_str(), &ref, nullptr) == kNoErr, "FSPathMakeRef " + path);
    return ref;
}

HFSUniStr255 Name(const std::string& utf8) {
    HFSUniStr255 name{};
    Check(HFSUniStr255FromUtf8(utf8.c_str(), &name) == kNoErr, "name " + utf8);
    return name;
}

Snapshot Snap(const std::string& root) {
    Snapshot out;
    SnapInto(root, ".", &out);
    return out;
}

std::string Diff(const Snapshot& expected, const Snapshot& actual) {
    std::ostringstream s;
    for (const auto& [rel, e] : expected) {
        auto it = actual.find(rel);
        if (it == actual.end()) {
            s << "missing " << rel << "\n";
        } else if (!(it->second == e)) {
            s << "differs " << rel << ": expected " << Describe(e) << " got "
              << Describe(it->second) << (it->second.data != e.data ? " (contents)" : "") << "\n";
        }
    }
    for (const auto& [rel, e] : actual) {
        if (expected.find(rel) == expected.end()) {
            s << "extra " << rel << "\n";
        }
    }
    return s.str();
}

}  // namespace copytest
