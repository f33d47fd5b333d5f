#include "archive/CZPackedFile.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "archive/stPackHeader.h"
#include "archive/stPackRecord.h"
#include "filelib/CFile.h"
#include "filelib/zrPath.h"
#include "md5/md5.h"
#include "platform/BeneathWriter.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace zorvane {

using zrLib::File::CFile;

namespace {

// Dates and permission block: what ReadFileAttribute and SetFileAttribute move.
constexpr FSCatalogInfoBitmap kAttributeInfo = 0x7E0;
// Mode bits that an extracted file may take from an archive.
constexpr std::uint16_t kExtractModeMask = 0777;
// Largest block handed to md5_append at once (its count is 32-bit signed).
constexpr std::uint32_t kMd5Chunk = 1u << 30;
// Largest read that extraction runs share between neighbouring streams.
constexpr std::uint32_t kReadAhead = 4u << 20;
// Output block of the streaming integrity check.
constexpr std::size_t kCheckChunk = 1u << 16;

// Copies src into a path buffer; false (and dst empty) when it does not fit.
bool CopyPath(char* dst, const char* src) {
    const std::size_t n = std::strlen(src);
    if (n >= kPathBufSize) {
        dst[0] = '\0';
        return false;
    }
    std::memcpy(dst, src, n + 1);
    return true;
}

// Work buffers come from the platform's allocator, which answers null on
// failure (and which tests can make fail).
unsigned char* Allocate(std::size_t size) {
    return static_cast<unsigned char*>(NewPtr(size));
}

void Digest(const unsigned char* data, std::uint32_t size, unsigned char out[16]) {
    md5_record st;
    md5_init(&st);
    while (size > 0) {
        const std::uint32_t n = size < kMd5Chunk ? size : kMd5Chunk;
        md5_append(&st, data, static_cast<std::int32_t>(n));
        data += n;
        size -= n;
    }
    md5_finish(&st, out);
}

// Fills an entry from a decoded record; false when the stream's absolute
// offset does not fit the entry's signed 32-bit field.
bool FillEntry(stFileImage& e, const stPackRecord& r, std::uint32_t catalogPackedSize) {
    std::memcpy(e.szFname, r.szFname, kPackNameSize);
    std::memcpy(e.szOutputPath, r.szOutputPath, kPackNameSize);
    const std::uint64_t offset = std::uint64_t{r.nOffset} + catalogPackedSize + kPackHeaderSize;
    if (offset > INT32_MAX) {
        return false;
    }
    e.nOffset = static_cast<std::int32_t>(offset);
    e.nPackedSize = r.nPackedSize;
    e.nSize = r.nSize;
    std::memcpy(e.digest, r.digest, kPackDigestSize);
    CopyDatesAndPermissions(r, &e);
    return true;
}

// Decompresses a whole stream and answers whether it ends after exactly size
// bytes, without holding more than one output block.
bool InflatesToExactly(const unsigned char* stream, std::uint32_t packed, std::uint32_t size) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        return false;
    }
    unsigned char out[kCheckChunk];
    z.next_in = const_cast<unsigned char*>(stream);
    z.avail_in = packed;
    std::uint64_t produced = 0;
    int rc = Z_OK;
    while (rc == Z_OK && produced <= size) {
        z.next_out = out;
        z.avail_out = sizeof out;
        rc = inflate(&z, Z_NO_FLUSH);
        produced += sizeof out - z.avail_out;
        if (rc == Z_BUF_ERROR && z.avail_in == 0) {
            break;  // the stream ends before its end mark
        }
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END && produced == size;
}

// Builds the full target path and the same path relative to folder. Every
// join only drops bytes or adds one "/", so the lengths bound the results.
bool MakeTargetPaths(const char* folder, const stFileImage& e, const char* fileName,
                     bool createDirs, char* target, char* rel) {
    const char* outputPath = createDirs ? e.szOutputPath : "";
    if (std::strlen(folder) + std::strlen(outputPath) + std::strlen(fileName) + 2 >= kPathBufSize) {
        return false;
    }
    char sub[kPathBufSize];
    char relDir[kPathBufSize];
    zrCatPath(sub, folder, outputPath);
    zrCatPath(relDir, "", outputPath);
    zrMakePath(target, sub, fileName, nullptr);
    zrMakePath(rel, relDir, fileName, nullptr);
    return target[0] != '\0';
}

// prefix + name into a path buffer; false when it does not fit.
bool MakeFileName(char* dst, const char* prefix, const char* name) {
    const std::size_t p = prefix ? std::strlen(prefix) : 0;
    const std::size_t n = std::strlen(name);
    if (p + n >= kPathBufSize) {
        return false;
    }
    if (p) {
        std::memcpy(dst, prefix, p);
    }
    std::memcpy(dst + p, name, n + 1);
    return true;
}

}  // namespace

// What the outputs of one call share: the extraction folder's writer and, for
// runs over many entries, a read-ahead window over the archive so that
// neighbouring streams come from one read. Both end with the call.
struct CZPackedFile::OutputRun {
    OutputRun(const char* folder, bool ahead) : writer(folder), readAhead(ahead) {}

    bool Holds(std::uint32_t offset, std::uint32_t size) const {
        return windowSize > 0 && offset >= windowOffset &&
               std::uint64_t{offset} + size <= std::uint64_t{windowOffset} + windowSize;
    }
    // Reads up to kReadAhead bytes at offset, within the archive's size; on
    // any failure the window is left empty and reads go to the file.
    void Fill(CFile& file, std::uint32_t offset, std::uint32_t archiveSize) {
        windowSize = 0;
        if (offset >= archiveSize) {
            return;
        }
        const std::uint32_t size = std::min(kReadAhead, archiveSize - offset);
        if (!window || windowCapacity < size) {
            windowCapacity = std::min(kReadAhead, archiveSize);
            window.reset(Allocate(windowCapacity));
            if (!window) {
                windowCapacity = 0;
                return;
            }
        }
        if (file.Read(window.get(), size, offset) == size) {
            windowOffset = offset;
            windowSize = size;
        }
    }

    // A buffer of at least size bytes for one entry's file bytes, kept for
    // the next entry when it is large enough; null when it cannot be had.
    unsigned char* Output(std::size_t size) {
        if (!output || outputCapacity < size) {
            output.reset();
            output.reset(Allocate(size));
            outputCapacity = output ? size : 0;
        }
        return output.get();
    }

    BeneathWriter writer;
    bool readAhead;
    Buffer output;
    std::size_t outputCapacity = 0;
    Buffer window;
    std::uint32_t windowCapacity = 0;
    std::uint32_t windowOffset = 0;
    std::uint32_t windowSize = 0;
};

void CZPackedFile::BufferDisposer::operator()(unsigned char* p) const {
    DisposePtr(p);
}

CZPackedFile::CZPackedFile() : m_nPackSize(0) {
    m_szPackPath[0] = '\0';
}

CZPackedFile::~CZPackedFile() {
    ClearAll();
}

bool CZPackedFile::Open(const char* path) {
    return Open(path, nullptr);
}

bool CZPackedFile::Open(const char* path, PackStatus* status) {
    if (path == nullptr || path[0] == '\0') {
        if (status) {
            *status = PackStatus::kTooShort;
        }
        return false;
    }
    // A path that does not fit is not stored cut short: that would name
    // another file. The stored path becomes empty instead.
    const bool fits = CopyPath(m_szPackPath, path);
    ClearAll();
    m_nPackSize = 0;
    m_pPackFile.reset();
    const PackStatus st = fits ? LoadCatalog() : PackStatus::kTooShort;
    if (st != PackStatus::kOk) {
        ClearAll();
        m_nPackSize = 0;
        m_pPackFile.reset();
    }
    if (status) {
        *status = st;
    }
    return st == PackStatus::kOk;
}

PackStatus CZPackedFile::LoadCatalog() {
    // One file object serves every later read of this archive; like any
    // CFile it opens and closes the file around each read.
    m_pPackFile.reset(new (std::nothrow) CFile(m_szPackPath, CFile::OPEN_READ));
    if (!m_pPackFile) {
        return PackStatus::kNoMemory;
    }
    CFile& file = *m_pPackFile;
    const std::uint32_t fileSize = file.GetSize();
    if (fileSize <= 27) {
        return PackStatus::kTooShort;
    }
    m_nPackSize = fileSize;
    unsigned char head[kPackHeaderSize];
    if (file.Read(head, kPackHeaderSize, 0) != kPackHeaderSize) {
        return PackStatus::kTooShort;
    }
    const stPackHeader header = stPackHeader::Decode(head);
    PackStatus st = CheckPackHeader(header, fileSize);
    if (st != PackStatus::kOk) {
        return st;
    }
    Buffer catalog(Allocate(header.catalogPackedSize));
    Buffer records(Allocate(header.catalogSize));
    if (!catalog || !records) {
        return PackStatus::kNoMemory;
    }
    if (header.catalogPackedSize > 0 && file.Read(catalog.get(), header.catalogPackedSize,
                                                  kPackHeaderSize) != header.catalogPackedSize) {
        return PackStatus::kCutShort;
    }
    st = DecodePackCatalog(header, catalog.get(), records.get());
    if (st != PackStatus::kOk) {
        return st;
    }
    catalog.reset();
    try {
        m_vFileImage.reserve(header.fileNum);
        for (std::uint32_t k = 0; k < header.fileNum; ++k) {
            stPackRecord r;
            stPackRecord::Decode(records.get() + std::size_t{k} * kPackRecordSize, r);
            auto e = std::make_unique<stFileImage>();
            std::memset(e.get(), 0, sizeof(stFileImage));
            if (!FillEntry(*e, r, header.catalogPackedSize)) {
                return PackStatus::kBadSizes;
            }
            m_vFileImage.push_back(std::move(e));
        }
    } catch (const std::bad_alloc&) {
        return PackStatus::kNoMemory;
    }
    return PackStatus::kOk;
}

stFileImage* CZPackedFile::Entry(unsigned long id) const {
    return id < m_vFileImage.size() ? m_vFileImage[id].get() : nullptr;
}

int CZPackedFile::GetFileId(const char* name) const {
    if (name == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < m_vFileImage.size() && i <= INT_MAX; ++i) {
        if (std::strcmp(m_vFileImage[i]->szFname, name) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

unsigned long CZPackedFile::GetFileImageSizeById(unsigned long id) const {
    const stFileImage* e = Entry(id);
    if (e == nullptr) {
        return 0;
    }
    if (e->IsPending()) {
        CFile file(e->szFname, CFile::OPEN_READ);
        return file.GetSize();
    }
    return e->nSize;
}

unsigned long CZPackedFile::GetFileImageSize(const char* name) const {
    const int id = GetFileId(name);
    return id < 0 ? 0 : GetFileImageSizeById(static_cast<unsigned long>(id));
}

unsigned long CZPackedFile::GetFilePackedSizeById(unsigned long id) const {
    const stFileImage* e = Entry(id);
    return (e == nullptr || e->IsPending()) ? 0 : e->nPackedSize;
}

bool CZPackedFile::IsEntryPlausible(const stFileImage& e, std::uint64_t archiveSize) const {
    return e.nOffset >= 0 && e.nPackedSize > 0 &&
           std::uint64_t(e.nOffset) + e.nPackedSize <= archiveSize &&
           e.nSize <= PackMaxInflatedSize(e.nPackedSize);
}

const unsigned char* CZPackedFile::CheckedStream(const stFileImage& e, OutputRun* run,
                                                 Buffer& own) const {
    if (!IsEntryPlausible(e, m_nPackSize) || !m_pPackFile) {
        return nullptr;
    }
    const std::uint32_t offset = static_cast<std::uint32_t>(e.nOffset);
    const unsigned char* stream = nullptr;
    if (run != nullptr && run->readAhead && e.nPackedSize <= kReadAhead) {
        if (!run->Holds(offset, e.nPackedSize)) {
            run->Fill(*m_pPackFile, offset, m_nPackSize);
        }
        if (run->Holds(offset, e.nPackedSize)) {
            stream = run->window.get() + (offset - run->windowOffset);
        }
    }
    if (stream == nullptr) {
        own.reset(Allocate(e.nPackedSize));
        if (!own || m_pPackFile->Read(own.get(), e.nPackedSize, offset) != e.nPackedSize) {
            return nullptr;
        }
        stream = own.get();
    }
    unsigned char digest[kPackDigestSize];
    Digest(stream, e.nPackedSize, digest);
    return std::memcmp(digest, e.digest, kPackDigestSize) == 0 ? stream : nullptr;
}

bool CZPackedFile::GetFileImageById(unsigned long id, unsigned char* buffer) const {
    const stFileImage* e = Entry(id);
    if (e == nullptr) {
        return false;
    }
    if (e->IsPending()) {
        CFile file(e->szFname, CFile::OPEN_READ);
        const std::uint32_t size = file.GetSize();
        return size == 0 || (buffer != nullptr && file.Read(buffer, size, 0) == size);
    }
    if (buffer == nullptr && e->nSize > 0) {
        return false;
    }
    Buffer work;
    const unsigned char* stream = CheckedStream(*e, nullptr, work);
    return stream && InflateEntry(*e, stream, buffer);
}

bool CZPackedFile::InflateEntry(const stFileImage& e, const unsigned char* stream,
                                unsigned char* buffer) const {
    unsigned char none = 0;
    uLongf produced = e.nSize;
    const int rc = uncompress(e.nSize ? buffer : &none, &produced, stream, e.nPackedSize);
    return rc == Z_OK && produced == e.nSize;
}

const unsigned char* CZPackedFile::LoadEntry(const stFileImage& e, unsigned long size,
                                             OutputRun& run) const {
    if (e.IsPending()) {
        // The file may have changed since its size was taken: read exactly
        // that many bytes or nothing.
        CFile file(e.szFname, CFile::OPEN_READ);
        unsigned char* out = nullptr;
        if (file.GetSize() != size || (out = run.Output(size)) == nullptr ||
            (size > 0 && file.Read(out, size, 0) != size)) {
            return nullptr;
        }
        return out;
    }
    // The stream is read and checked first: its length and place in the file
    // bound what the entry's length may claim before that is allocated.
    Buffer work;
    const unsigned char* stream = CheckedStream(e, &run, work);
    if (stream == nullptr || size != e.nSize) {
        return nullptr;
    }
    unsigned char* out = run.Output(size);
    return out && InflateEntry(e, stream, out) ? out : nullptr;
}

bool CZPackedFile::GetFileImage(const char* name, unsigned char* buffer) const {
    const int id = GetFileId(name);
    return id >= 0 && GetFileImageById(static_cast<unsigned long>(id), buffer);
}

const char* CZPackedFile::GetFileImageNameById(unsigned long id) const {
    const stFileImage* e = Entry(id);
    return e ? e->szFname : nullptr;
}

const char* CZPackedFile::GetFileOutputPath(unsigned long id) const {
    const stFileImage* e = Entry(id);
    return e ? e->szOutputPath : nullptr;
}

void CZPackedFile::SetFileOutputFullFname(int id, const char* path) {
    stFileImage* e = id < 0 ? nullptr : Entry(static_cast<unsigned long>(id));
    if (e == nullptr || path == nullptr) {
        return;
    }
    const std::size_t n = strnlen(path, kPathBufSize - 1);
    std::memcpy(e->szOutputFullFname, path, n);
    e->szOutputFullFname[n] = '\0';
}

const char* CZPackedFile::GetFileOutputFullFname(unsigned long id) const {
    const stFileImage* e = Entry(id);
    return e ? e->szOutputFullFname : nullptr;
}

bool CZPackedFile::OutputFileById(int id, const char* folder, const char* prefix, bool createDirs) {
    OutputRun run(folder, false);
    return OutputOne(id, folder, prefix, createDirs, false, run);
}

bool CZPackedFile::OutputEmptyFileById(int id, const char* folder, const char* prefix,
                                       bool createDirs) {
    OutputRun run(folder, false);
    return id >= 0 && Entry(static_cast<unsigned long>(id)) != nullptr &&
           GetFileImageSizeById(static_cast<unsigned long>(id)) == 0 &&
           OutputOne(id, folder, prefix, createDirs, true, run);
}

void CZPackedFile::OutputFilesById(const unsigned long* ids, std::size_t count, const char* folder,
                                   const char* prefix, bool createDirs, bool writeEmpty,
                                   bool* written) {
    OutputRun run(folder, true);
    for (std::size_t i = 0; i < count; ++i) {
        const bool ok = ids[i] <= INT_MAX && OutputOne(static_cast<int>(ids[i]), folder, prefix,
                                                       createDirs, writeEmpty, run);
        if (written) {
            written[i] = ok;
        }
    }
}

bool CZPackedFile::OutputOne(int id, const char* folder, const char* prefix, bool createDirs,
                             bool writeEmpty, OutputRun& run) {
    if (id < 0 || Entry(static_cast<unsigned long>(id)) == nullptr) {
        return false;
    }
    const unsigned long size = GetFileImageSizeById(static_cast<unsigned long>(id));
    if (size == 0 && !writeEmpty) {
        return false;
    }
    return OutputEntry(id, folder, prefix, createDirs, size, run);
}

bool CZPackedFile::OutputEntry(int id, const char* folder, const char* prefix, bool createDirs,
                               unsigned long size, OutputRun& run) {
    const stFileImage* e = Entry(static_cast<unsigned long>(id));
    if (e == nullptr) {
        return false;
    }
    const unsigned char* bytes = LoadEntry(*e, size, run);
    if (bytes == nullptr) {
        return false;
    }
    const char* base = folder ? folder : "";
    char fileName[kPathBufSize];
    char target[kPathBufSize];
    char rel[kPathBufSize];
    if (!MakeFileName(fileName, prefix, e->szFname) ||
        !MakeTargetPaths(base, *e, fileName, createDirs, target, rel)) {
        return false;
    }
    // The file takes the entry's dates and permission block as it is written,
    // through the open file rather than by path afterwards.
    FSCatalogInfo info;
    std::memset(&info, 0, sizeof info);
    info.contentModDate = e->contentModDate;
    info.accessDate = e->accessDate;
    info.permissions = e->permissions;
    info.permissions.mode &= kExtractModeMask;
    if (run.writer.OpenStatus() != kNoErr ||
        run.writer.WriteFile(rel, bytes, size, createDirs, kAttributeInfo, &info) != kNoErr) {
        return false;
    }
    SetFileOutputFullFname(id, target);
    return true;
}

bool CZPackedFile::OutputFile(const char* name, const char* folder, const char* prefix,
                              bool createDirs) {
    return OutputFileById(GetFileId(name), folder, prefix, createDirs);
}

bool CZPackedFile::OutputAllFile(const char* folder, const char* prefix, bool createDirs) {
    OutputRun run(folder, true);
    bool result = false;
    for (std::size_t id = 0; id < m_vFileImage.size() && id <= INT_MAX; ++id) {
        result = OutputOne(static_cast<int>(id), folder, prefix, createDirs, false, run);
        if (!result) {
            break;
        }
    }
    return result;
}

OSErr CZPackedFile::ReadFileAttribute(const char* path, stFileImage* entry) const {
    if (entry == nullptr) {
        return kErrParam;
    }
    FSCatalogInfo info;
    std::memset(&info, 0, sizeof info);
    FSRef ref;
    OSErr err = FSPathMakeRef(path, &ref, nullptr);
    if (err == kNoErr) {
        err = FSGetCatalogInfo(&ref, kAttributeInfo, &info, nullptr, nullptr, nullptr);
    }
    if (err != kNoErr) {
        std::memset(&info, 0, sizeof info);
    }
    CopyDatesAndPermissions(info, entry);
    return err;
}

OSErr CZPackedFile::SetFileAttribute(const char* path, const stFileImage* entry) const {
    if (entry == nullptr) {
        return kErrParam;
    }
    FSCatalogInfo info;
    std::memset(&info, 0, sizeof info);
    FSRef ref;
    OSErr err = FSPathMakeRef(path, &ref, nullptr);
    if (err != kNoErr) {
        return err;
    }
    FSGetCatalogInfo(&ref, kAttributeInfo, &info, nullptr, nullptr, nullptr);
    CopyDatesAndPermissions(*entry, &info);
    return FSSetCatalogInfo(&ref, kAttributeInfo, &info);
}

void CZPackedFile::ClearAll() {
    m_vFileImage.clear();
}

void CZPackedFile::Clear(const char* name) {
    if (name == nullptr) {
        return;
    }
    for (auto it = m_vFileImage.begin(); it != m_vFileImage.end(); ++it) {
        if (std::strcmp((*it)->szFname, name) == 0) {
            m_vFileImage.erase(it);
            return;
        }
    }
}

void CZPackedFile::RemoveFileInfo(int id) {
    if (id >= 0 && static_cast<std::size_t>(id) < m_vFileImage.size()) {
        m_vFileImage.erase(m_vFileImage.begin() + id);
    }
}

bool CZPackedFile::CheckEntry(const stFileImage& e) const {
    if (e.IsPending()) {
        CFile file(e.szFname, CFile::OPEN_READ);
        const std::uint32_t size = file.GetSize();
        Buffer buffer(Allocate(size));
        return buffer && (size == 0 || file.Read(buffer.get(), size, 0) == size);
    }
    Buffer work;
    const unsigned char* stream = CheckedStream(e, nullptr, work);
    return stream && InflatesToExactly(stream, e.nPackedSize, e.nSize);
}

bool CZPackedFile::CheckFileById(unsigned long id) const {
    const stFileImage* e = Entry(id);
    return e != nullptr && CheckEntry(*e);
}

bool CZPackedFile::CheckAllData(std::vector<unsigned long>* badIds) const {
    if (badIds) {
        badIds->clear();
    }
    CFile file(m_szPackPath, CFile::OPEN_READ);
    if (file.GetSize() <= 27 || m_vFileImage.empty()) {
        return false;
    }
    bool allGood = true;
    for (std::size_t id = 0; id < m_vFileImage.size(); ++id) {
        if (CheckEntry(*m_vFileImage[id])) {
            continue;
        }
        allGood = false;
        if (badIds) {
            try {
                badIds->push_back(id);
            } catch (const std::bad_alloc&) {
                return false;  // the list is incomplete, but the answer stands
            }
        }
    }
    return allGood;
}

}  // namespace zorvane
