// Path string helpers. See zrPath.h for the rules, the overflow
// behaviour and the aliasing guarantee.
#include "filelib/zrPath.h"

#include <cstring>

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Length of s, reading at most zrPathBufSize bytes. A result of zrPathBufSize
// means "does not fit in a path buffer". A null s counts as empty.
std::size_t boundedLen(const char* s) {
    return s ? strnlen(s, zrPathBufSize) : 0;
}

// Position of the last byte c in s[0, len), or kNotFound.
std::size_t lastIndexOf(const char* s, std::size_t len, char c) {
    for (std::size_t i = len; i > 0; --i) {
        if (s[i - 1] == c) {
            return i - 1;
        }
    }
    return kNotFound;
}

// Writes s[0, len) and a NUL into out when out is given (len < zrPathBufSize).
void put(char* out, const char* s, std::size_t len) {
    if (out) {
        std::memcpy(out, s, len);
        out[len] = '\0';
    }
}

void putEmpty(char* out) {
    if (out) {
        out[0] = '\0';
    }
}

// The drop rule of zrMakePath step 3 on s[0, len): one leading "." and then one
// leading "/". Returns the number of bytes dropped (0 to 2).
std::size_t dropLeading(const char* s, std::size_t len) {
    std::size_t i = 0;
    if (i < len && s[i] == '.') {
        ++i;
    }
    if (i < len && s[i] == '/') {
        ++i;
    }
    return i;
}

// Builds a result of at most zrPathMaxLen bytes in a private buffer.
class PathBuilder {
  public:
    void append(const char* s, std::size_t len) {
        if (!m_bFits || len > zrPathMaxLen - m_nLen) {
            m_bFits = false;
            return;
        }
        if (len == 0) {
            return;  // s may be null
        }
        std::memcpy(m_szBuf + m_nLen, s, len);
        m_nLen += len;
    }
    void append(char c) { append(&c, 1); }
    void fail() { m_bFits = false; }
    // dst receives the result, or "" when it did not fit.
    void finish(char* dst) const {
        if (m_bFits) {
            put(dst, m_szBuf, m_nLen);
        } else {
            putEmpty(dst);
        }
    }

  private:
    char m_szBuf[zrPathBufSize];
    std::size_t m_nLen = 0;
    bool m_bFits = true;
};

// F of zrGetParentDirPath / zrGetCurrDirName: the folder the path points into,
// without its trailing "/". Copies path into buf and returns F's length (F is
// buf[0, result)), or kNotFound when path is 1024 bytes or longer.
std::size_t folderOf(const char* path, char (&buf)[zrPathBufSize]) {
    const std::size_t len = boundedLen(path);
    if (len >= zrPathBufSize) {
        return kNotFound;
    }
    if (len == 0) {
        return 0;
    }
    std::memcpy(buf, path, len);
    if (buf[len - 1] == '/') {
        return len - 1;  // drop that one "/"
    }
    // The dir part (through the last "/") minus its last byte "/": everything
    // before the last "/", or nothing when there is none.
    const std::size_t slash = lastIndexOf(buf, len, '/');
    return slash == kNotFound ? 0 : slash;
}

// zrMakePath with the drop rule applied dropPasses times to name (1 for
// zrMakePath, 2 for zrCatPath). Every input is measured on its own buffer
// first, so no input is read past its first zrPathBufSize bytes.
void joinPath(char* dst, const char* dir, const char* name, int dropPasses, const char* ext) {
    if (!dst) {
        return;
    }
    PathBuilder out;
    const std::size_t dirLen = boundedLen(dir);
    out.append(dir, dirLen);  // a dir of 1024+ bytes marks the result as too long
    if (dirLen > 0 && dir[dirLen - 1] != '/') {
        out.append('/');
    }
    if (name) {
        const std::size_t nameLen = boundedLen(name);
        if (nameLen >= zrPathBufSize) {
            out.fail();  // not a path-sized string: never join a cut-off piece of it
        } else {
            std::size_t skip = 0;
            for (int i = 0; i < dropPasses; ++i) {
                skip += dropLeading(name + skip, nameLen - skip);
            }
            out.append(name + skip, nameLen - skip);
        }
    }
    if (ext) {
        if (ext[0] != '.') {
            out.append('.');
        }
        out.append(ext, boundedLen(ext));
    }
    out.finish(dst);
}

}  // namespace

void zrSplitFname(const char* name, char* base, char* ext) {
    if (!name) {
        name = "";
    }
    const std::size_t len = boundedLen(name);
    if (len >= zrPathBufSize) {
        putEmpty(base);
        putEmpty(ext);
        return;
    }
    char buf[zrPathBufSize];
    std::memcpy(buf, name, len);  // private copy: outputs may alias name
    const std::size_t dot = lastIndexOf(buf, len, '.');
    if (dot == kNotFound) {
        put(base, buf, len);
        putEmpty(ext);
    } else {
        put(base, buf, dot);
        put(ext, buf + dot + 1, len - dot - 1);
    }
}

void zrSplitPath(const char* path, char* dir, char* file) {
    if (!path) {
        path = "";
    }
    const std::size_t len = boundedLen(path);
    if (len >= zrPathBufSize) {
        putEmpty(dir);
        putEmpty(file);
        return;
    }
    char buf[zrPathBufSize];
    std::memcpy(buf, path, len);  // private copy: outputs may alias path
    const std::size_t slash = lastIndexOf(buf, len, '/');
    if (slash == kNotFound) {
        putEmpty(dir);
        put(file, buf, len);
    } else {
        put(dir, buf, slash + 1);
        put(file, buf + slash + 1, len - slash - 1);
    }
}

void zrMakePath(char* dst, const char* dir, const char* name, const char* ext) {
    joinPath(dst, dir, name, 1, ext);
}

void zrCatPath(char* dst, const char* dir, const char* name) {
    // The drop rule once here, then once more inside zrMakePath.
    joinPath(dst, dir, name ? name : "", 2, nullptr);
}

void zrGetParentDirPath(char* dst, const char* path) {
    if (!dst) {
        return;
    }
    char buf[zrPathBufSize];
    const std::size_t fLen = folderOf(path, buf);
    if (fLen == kNotFound) {
        putEmpty(dst);
        return;
    }
    const std::size_t slash = lastIndexOf(buf, fLen, '/');
    if (slash == kNotFound) {
        putEmpty(dst);
    } else {
        put(dst, buf, slash + 1);
    }
}

void zrGetCurrDirName(char* dst, const char* path) {
    if (!dst) {
        return;
    }
    char buf[zrPathBufSize];
    const std::size_t fLen = folderOf(path, buf);
    if (fLen == kNotFound) {
        putEmpty(dst);
        return;
    }
    const std::size_t slash = lastIndexOf(buf, fLen, '/');
    const std::size_t start = slash == kNotFound ? 0 : slash + 1;
    put(dst, buf + start, fLen - start);
}
