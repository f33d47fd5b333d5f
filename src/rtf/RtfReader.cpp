#include "rtf/RtfReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "rtf/RtfParser.h"

namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

  private:
    int m_fd;
};

// An RTFD folder keeps its text in this file.
constexpr const char* kRtfdText = "/TXT.rtf";

// Reads the whole regular file at path into bytes, at most maxBytes of it.
RtfReader::Status ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    // O_NONBLOCK keeps a FIFO or device named like the document from hanging
    // the open; such files are refused below.
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return RtfReader::Status::CannotRead;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        return RtfReader::Status::TooLarge;
    }
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(file.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return RtfReader::Status::CannotRead;
        }
        if (got == 0) {
            return RtfReader::Status::Ok;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            return RtfReader::Status::TooLarge;  // the file grew while it was read
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

RtfReader::Status RtfReader::Parse(std::string_view rtf, RtfDocument& document) const {
    document = RtfDocument{};
    if (rtf.size() > m_limits.maxInputBytes) {
        return Status::TooLarge;
    }
    RtfParser parser(rtf, m_limits);
    RtfDocument result;
    const Status status = parser.Run(result);
    if (status == Status::Ok) {
        document = std::move(result);
    }
    return status;
}

RtfReader::Status RtfReader::ReadFile(const std::string& path, RtfDocument& document) const {
    document = RtfDocument{};
    if (path.empty()) {
        return Status::CannotRead;
    }
    std::string file = path;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        file += kRtfdText;
    }
    std::string bytes;
    const Status status = ReadWholeFile(file, m_limits.maxInputBytes, bytes);
    if (status != Status::Ok) {
        return status;
    }
    return Parse(bytes, document);
}

const char* RtfReader::StatusName(Status status) {
    switch (status) {
        case Status::Ok:
            return "Ok";
        case Status::CannotRead:
            return "CannotRead";
        case Status::NotRtf:
            return "NotRtf";
        case Status::TooDeep:
            return "TooDeep";
        case Status::TooLarge:
            return "TooLarge";
    }
    return "?";
}
