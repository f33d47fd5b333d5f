// The writing side of CZPackedFile: adding files, folders and in-memory
// images as pending entries, and saving the catalogue as an archive.
//
// Save builds the new archive under a temporary name in the target's own
// folder, flushes it to the disk and renames it over the target only when it
// is complete, so the target always holds either the whole old archive or the
// whole new one. Until that rename nothing about the object changes; a failed
// save removes what it made. Pending files are read and compressed once, on
// all cores (CZPackCompressor); archived entries' streams are copied from the
// current archive unchanged. The bytes are those of the plain form: pass 1
// compresses every pending file to learn its stream's length and digest,
// then the header (key from rand()), the catalogue and the streams are
// written in catalogue order.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "archive/CZPackCompressor.h"
#include "archive/CZPackSourceFile.h"
#include "archive/CZPackWorkFile.h"
#include "archive/CZPackedFile.h"
#include "archive/PackCatalog.h"
#include "archive/stPackHeader.h"
#include "archive/stPackRecord.h"
#include "filelib/zrPath.h"
#include "platform/BeneathWriter.h"
#include "platform/durable.h"
#include "platform/files.h"

namespace zorvane {

using zrLib::File::CFile;

namespace {

using Entries = std::vector<std::unique_ptr<stFileImage>>;

// Longest name or output path a record holds (its field keeps a NUL).
constexpr std::size_t kMaxRecordText = kPackNameSize - 1;
// Names tried for the temporary archive before giving up.
constexpr int kTempNameTries = 100;
// Bytes copied at once from the current archive.
constexpr std::uint32_t kCopyChunk = 1u << 20;
constexpr char kTempPrefix[] = "zrpk-tmp-";
// File type bits of a permission block's mode, and those of a regular file.
constexpr std::uint16_t kFileTypeMask = 0170000;
constexpr std::uint16_t kRegularFileType = 0100000;

// Fills the report of a failed save; answers false for the caller to pass on.
class Reporter {
  public:
    explicit Reporter(stPackSaveReport* report) : m_pReport(report) {
        if (m_pReport) {
            *m_pReport = stPackSaveReport{};
        }
    }
    bool Fail(PackSaveFailure what, OSErr status, const char* path) {
        if (m_pReport) {
            m_pReport->what = what;
            m_pReport->status = status;
            std::snprintf(m_pReport->szPath, sizeof m_pReport->szPath, "%s", path ? path : "");
        }
        return false;
    }

  private:
    stPackSaveReport* m_pReport;
};

// The last path component; empty when the path ends in "/".
void BareName(const char* path, char* name) {
    zrSplitPath(path, nullptr, name);
}

// Whether a record can hold the name and output path without cutting them.
bool FitsRecord(const char* name, const char* outputPath) {
    return name[0] != '\0' && std::strlen(name) <= kMaxRecordText &&
           std::strlen(outputPath) <= kMaxRecordText;
}

// A zero-filled pending entry for the file at path.
std::unique_ptr<stFileImage> NewPendingEntry(const char* path, const char* outputPath) {
    auto e = std::make_unique<stFileImage>();
    std::memset(e.get(), 0, sizeof(stFileImage));
    std::snprintf(e->szFname, sizeof e->szFname, "%s", path);
    std::snprintf(e->szOutputPath, sizeof e->szOutputPath, "%s", outputPath);
    e->nOffset = -1;
    return e;
}

// Gathers the file nodes of a tree, depth-first in sibling order, leaving out
// every ".DS_Store". False when one of them cannot be stored in a record.
bool CollectTree(const CFile::stFnameList* node, const CZPackedFile& archive, Entries& out) {
    for (; node != nullptr; node = node->m_pNext) {
        if (node->m_bIsDirectory) {
            if (node->m_pChild && !CollectTree(node->m_pChild, archive, out)) {
                return false;
            }
            continue;
        }
        char name[kPathBufSize];
        BareName(node->m_szPath, name);
        if (std::strcmp(name, ".DS_Store") == 0) {
            continue;
        }
        if (!FitsRecord(name, node->m_szRelDir)) {
            return false;
        }
        auto e = NewPendingEntry(node->m_szPath, node->m_szRelDir);
        archive.ReadFileAttribute(e->szFname, e.get());
        out.push_back(std::move(e));
    }
    return true;
}

// Where the archive goes: its folder and its name there, and the owner,
// group and mode of the file it replaces, which the new one keeps.
struct stTarget {
    FSRef folder;
    char szName[kPathBufSize];
    bool bReplaces;
    FSPermissionInfo permissions;
};

bool ResolveTarget(const char* path, stTarget& target) {
    char dir[kPathBufSize];
    zrSplitPath(path, dir, target.szName);
    if (target.szName[0] == '\0') {
        return false;
    }
    bool isFolder = false;
    if (FSPathMakeRef(dir[0] ? dir : ".", &target.folder, &isFolder) != kNoErr || !isFolder) {
        return false;
    }
    FSRef existing;
    if (FSPathMakeRef(path, &existing, &isFolder) != kNoErr) {
        target.bReplaces = false;
        return true;
    }
    FSCatalogInfo info;
    // Only a regular file passes its mode on (a link's would be 0777).
    target.bReplaces = !isFolder &&
                       FSGetCatalogInfo(&existing, kCatInfoPermissions, &info, nullptr, nullptr,
                                        nullptr) == kNoErr &&
                       (info.permissions.mode & kFileTypeMask) == kRegularFileType;
    if (target.bReplaces) {
        target.permissions = info.permissions;
    }
    return !isFolder;
}

// Makes the temporary archive "zrpk-tmp-" + ten digits from rand() in the
// target's folder; a name that is taken is never touched, ten more digits
// are drawn instead.
OSErr CreateTempArchive(const stTarget& target, CZPackWorkFile& file) {
    OSErr err = kErrNameTaken;
    for (int attempt = 0; attempt < kTempNameTries && err == kErrNameTaken; ++attempt) {
        char name[sizeof kTempPrefix + 10];
        std::memcpy(name, kTempPrefix, sizeof kTempPrefix - 1);
        for (int i = 0; i < 10; ++i) {
            name[sizeof kTempPrefix - 1 + i] = static_cast<char>('0' + std::rand() % 10);
        }
        name[sizeof kTempPrefix - 1 + 10] = '\0';
        err = file.Create(target.folder, name, target.bReplaces ? &target.permissions : nullptr);
    }
    return err;
}

// Fills record k's bytes from an entry and its stream's facts.
void EncodeRecord(const stFileImage& e, std::uint32_t offset, std::uint32_t size,
                  std::uint32_t packedSize, const unsigned char* digest, unsigned char* out) {
    stPackRecord r;
    char name[kPathBufSize];
    BareName(e.szFname, name);
    std::memcpy(r.szFname, name, std::strlen(name) + 1);
    std::memcpy(r.szOutputPath, e.szOutputPath, std::strlen(e.szOutputPath) + 1);
    r.nOffset = offset;
    r.nSize = size;
    r.nPackedSize = packedSize;
    std::memcpy(r.digest, digest, kPackDigestSize);
    CopyDatesAndPermissions(e, &r);
    r.Encode(out);
}

// Everything one save works with, and the steps it takes in order.
class ArchiveWriter {
  public:
    ArchiveWriter(const Entries& entries, const char* packPath, const stPackSaveOptions& options,
                  Reporter& report)
        : m_Entries(entries),
          m_szPackPath(packPath),
          m_Report(report),
          m_Compressor(options),
          m_vSourceOf(entries.size(), 0) {}

    // Writes the archive and puts it in place at path.
    bool Write(const char* path);

    const FSRef& Placed() const { return m_Placed; }

  private:
    bool CheckEntries();
    bool Compress();
    bool LayOutRecords();
    bool EncodeCatalog();
    bool WriteFile();
    bool CopyArchivedStream(const stFileImage& e, std::uint64_t offset);
    bool Place();

    const Entries& m_Entries;
    const char* m_szPackPath;
    Reporter& m_Report;
    const char* m_szPath = nullptr;
    stTarget m_Target = {};
    CZPackCompressor m_Compressor;
    std::vector<std::size_t> m_vSourceOf;  // entry -> compressor source
    CZPackWorkFile m_File;
    std::uint32_t m_nKey = 0;
    std::vector<unsigned char> m_vRecords;
    std::vector<unsigned char> m_vCatalog;
    std::uint32_t m_nChecksum = 0;
    std::uint64_t m_nDataSize = 0;
    std::uint64_t m_nLastOffset = 0;
    CZPackSourceFile m_Archive;
    bool m_bArchiveOpen = false;
    FSRef m_Placed = {};
};

bool ArchiveWriter::Write(const char* path) {
    m_szPath = path;
    if (!ResolveTarget(path, m_Target)) {
        return m_Report.Fail(PackSaveFailure::kBadTarget, kErrParam, path);
    }
    if (!CheckEntries()) {
        return false;
    }
    m_nKey = static_cast<std::uint32_t>(std::rand());
    const OSErr err = CreateTempArchive(m_Target, m_File);
    if (err != kNoErr) {
        return m_Report.Fail(PackSaveFailure::kCreateFailed, err, path);
    }
    return Compress() && LayOutRecords() && EncodeCatalog() && WriteFile() && Place();
}

bool ArchiveWriter::CheckEntries() {
    if (m_Entries.size() > UINT32_MAX / kPackRecordSize) {
        return m_Report.Fail(PackSaveFailure::kArchiveTooLarge, 0, m_szPath);
    }
    for (const auto& e : m_Entries) {
        char name[kPathBufSize];
        BareName(e->szFname, name);
        if (!FitsRecord(name, e->szOutputPath)) {
            return m_Report.Fail(PackSaveFailure::kNameTooLong, 0, e->szFname);
        }
    }
    return true;
}

bool ArchiveWriter::Compress() {
    for (std::size_t k = 0; k < m_Entries.size(); ++k) {
        if (m_Entries[k]->IsPending()) {
            m_vSourceOf[k] = m_Compressor.SourceCount();
            m_Compressor.AddSource(m_Entries[k]->szFname);
        }
    }
    std::string spillName = m_File.Name();
    spillName += "-spill";
    if (!m_Compressor.Run(m_Target.folder, spillName.c_str())) {
        return m_Report.Fail(m_Compressor.Failure(), m_Compressor.FailureStatus(),
                             m_Compressor.FailurePath().c_str());
    }
    return true;
}

bool ArchiveWriter::LayOutRecords() {
    m_vRecords.assign(m_Entries.size() * kPackRecordSize, 0);
    std::uint64_t running = 0;
    for (std::size_t k = 0; k < m_Entries.size(); ++k) {
        const stFileImage& e = *m_Entries[k];
        unsigned char* out = m_vRecords.data() + k * kPackRecordSize;
        const auto offset = static_cast<std::uint32_t>(running);
        if (e.IsPending()) {
            const CZPackCompressor::stStream& s = m_Compressor.Stream(m_vSourceOf[k]);
            EncodeRecord(e, offset, s.nSize, s.nPackedSize, s.digest, out);
            running += s.nPackedSize;
        } else {
            EncodeRecord(e, offset, e.nSize, e.nPackedSize, e.digest, out);
            running += e.nPackedSize;
        }
        m_nLastOffset = offset;
        if (running > UINT32_MAX) {
            return m_Report.Fail(PackSaveFailure::kArchiveTooLarge, 0, m_szPath);
        }
    }
    m_nDataSize = running;
    return true;
}

bool ArchiveWriter::EncodeCatalog() {
    const auto size = static_cast<unsigned long>(m_vRecords.size());
    uLongf packed = zcompressBound(size);
    m_vCatalog.assign(packed, 0);
    if (compress2(m_vCatalog.data(), &packed, m_vRecords.data(), size, 9) != Z_OK) {
        return m_Report.Fail(PackSaveFailure::kCompressFailed, 0, m_szPath);
    }
    m_vCatalog.resize(packed);
    m_nChecksum = PackByteSum(m_vCatalog.data(), m_vCatalog.size());
    PackApplyMask(m_vCatalog.data(), m_vCatalog.size(), static_cast<unsigned char>(m_nKey));
    // Readers hold stream offsets in 32 bits, absolute ones signed.
    const std::uint64_t dataStart = kPackHeaderSize + std::uint64_t{packed};
    if (dataStart + m_nDataSize > UINT32_MAX || dataStart + m_nLastOffset > INT32_MAX) {
        return m_Report.Fail(PackSaveFailure::kArchiveTooLarge, 0, m_szPath);
    }
    return true;
}

bool ArchiveWriter::WriteFile() {
    stPackHeader header;
    header.magic = kPackMagic;
    header.version = kPackVersion;
    header.fileNum = static_cast<std::uint32_t>(m_Entries.size());
    header.catalogPackedSize = static_cast<std::uint32_t>(m_vCatalog.size());
    header.catalogSize = static_cast<std::uint32_t>(m_vRecords.size());
    header.checksum = m_nChecksum;
    header.key = m_nKey;
    unsigned char head[kPackHeaderSize];
    header.Encode(head);
    OSErr err = m_File.Write(0, head, kPackHeaderSize);
    if (err == kNoErr) {
        err = m_File.Write(kPackHeaderSize, m_vCatalog.data(), header.catalogPackedSize);
    }
    if (err != kNoErr) {
        return m_Report.Fail(PackSaveFailure::kWriteFailed, err, m_szPath);
    }
    std::uint64_t pos = kPackHeaderSize + std::uint64_t{header.catalogPackedSize};
    for (std::size_t k = 0; k < m_Entries.size(); ++k) {
        const stFileImage& e = *m_Entries[k];
        if (!e.IsPending()) {
            if (!CopyArchivedStream(e, pos)) {
                return false;
            }
            pos += e.nPackedSize;
            continue;
        }
        err = m_Compressor.WriteStream(m_vSourceOf[k], m_File, pos);
        if (err != kNoErr) {
            return m_Report.Fail(PackSaveFailure::kWriteFailed, err, m_szPath);
        }
        pos += m_Compressor.Stream(m_vSourceOf[k]).nPackedSize;
    }
    return true;
}

// Copies an archived entry's stream from the current archive, byte for byte.
bool ArchiveWriter::CopyArchivedStream(const stFileImage& e, std::uint64_t offset) {
    if (!m_bArchiveOpen) {
        const OSErr err = m_Archive.Open(m_szPackPath, true);
        if (err != kNoErr) {
            return m_Report.Fail(PackSaveFailure::kArchiveUnreadable, err, m_szPackPath);
        }
        m_bArchiveOpen = true;
    }
    std::vector<unsigned char> buffer(std::min(kCopyChunk, e.nPackedSize));
    for (std::uint32_t done = 0; done < e.nPackedSize;) {
        const std::uint32_t n = std::min(kCopyChunk, e.nPackedSize - done);
        std::uint32_t got = 0;
        OSErr err = m_Archive.Read(std::uint64_t(e.nOffset) + done, buffer.data(), n, &got);
        if (err != kNoErr || got != n) {
            return m_Report.Fail(PackSaveFailure::kArchiveUnreadable, err, m_szPackPath);
        }
        err = m_File.Write(offset + done, buffer.data(), n);
        if (err != kNoErr) {
            return m_Report.Fail(PackSaveFailure::kWriteFailed, err, m_szPath);
        }
        done += n;
    }
    return true;
}

bool ArchiveWriter::Place() {
    m_Archive.Close();
    const OSErr err = m_File.PlaceAs(m_Target.szName, &m_Placed);
    if (err != kNoErr) {
        return m_Report.Fail(PackSaveFailure::kReplaceFailed, err, m_szPath);
    }
    // The new archive is in place; making the rename itself durable is worth
    // a try, but its failure no longer changes the outcome.
    FSFlushObject(&m_Target.folder);
    return true;
}

}  // namespace

unsigned long zcompressBound(unsigned long length) {
    const auto n = static_cast<std::uint32_t>(length);
    return static_cast<std::uint32_t>(n + (n >> 12) + (n >> 14) + 11);
}

const char* PackSaveFailureText(PackSaveFailure failure) {
    switch (failure) {
        case PackSaveFailure::kNone:
            return "no failure";
        case PackSaveFailure::kNoTarget:
            return "no archive path";
        case PackSaveFailure::kBadTarget:
            return "the archive's folder is missing, or a folder holds its name";
        case PackSaveFailure::kNameTooLong:
            return "name or output path longer than 259 bytes";
        case PackSaveFailure::kSourceUnreadable:
            return "cannot be read";
        case PackSaveFailure::kSourceChanged:
            return "changed while it was being archived";
        case PackSaveFailure::kSourceTooLarge:
            return "file of 4 GiB or more";
        case PackSaveFailure::kArchiveUnreadable:
            return "stored data of the current archive cannot be read";
        case PackSaveFailure::kArchiveTooLarge:
            return "archive would be larger than the format allows";
        case PackSaveFailure::kCompressFailed:
            return "compression failed";
        case PackSaveFailure::kCreateFailed:
            return "cannot create a file beside the archive";
        case PackSaveFailure::kWriteFailed:
            return "cannot write the new archive";
        case PackSaveFailure::kReplaceFailed:
            return "cannot put the new archive in place";
        case PackSaveFailure::kNoMemory:
            return "out of memory";
    }
    return "unknown failure";
}

bool CZPackedFile::AddFileImage(const char* name, const unsigned char* data, unsigned long size,
                                const char* outputPath) {
    if (size == 0 || name == nullptr || data == nullptr || outputPath == nullptr ||
        size > UINT32_MAX) {
        return false;
    }
    char bare[kPathBufSize];
    BareName(name, bare);
    char folder[kPathBufSize];
    CFile::GetTempDirPath(folder, kPathBufSize - 1);
    if (!FitsRecord(bare, outputPath) || folder[0] == '\0' ||
        std::strlen(folder) + std::strlen(bare) >= kPathBufSize) {
        return false;
    }
    try {
        char path[kPathBufSize];
        const std::size_t n = std::strlen(folder);
        std::memcpy(path, folder, n);
        std::memcpy(path + n, bare, std::strlen(bare) + 1);
        auto e = NewPendingEntry(path, outputPath);
        e->nSize = static_cast<std::uint32_t>(size);
        BeneathWriter writer(folder);
        if (writer.OpenStatus() != kNoErr || writer.WriteFile(bare, data, size, false) != kNoErr) {
            return false;
        }
        ReadFileAttribute(e->szFname, e.get());
        m_vFileImage.push_back(std::move(e));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CZPackedFile::AddFilePath(const char* path, const char* outputPath) {
    if (path == nullptr || outputPath == nullptr) {
        return false;
    }
    if (CFile::IsDirectory(path)) {
        CFile::stFnameList* tree = CFile::GetFileTree(path);
        if (tree == nullptr) {
            return false;
        }
        const bool added = AddFilePathFromFnameList(tree);
        CFile::DeleteFnameList(tree, nullptr);
        return added;
    }
    char bare[kPathBufSize];
    BareName(path, bare);
    if (!FitsRecord(bare, outputPath) || std::strlen(path) >= kPathBufSize) {
        return false;
    }
    try {
        auto e = NewPendingEntry(path, outputPath);
        ReadFileAttribute(path, e.get());
        m_vFileImage.push_back(std::move(e));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CZPackedFile::AddFilePathFromFnameList(const CFile::stFnameList* node) {
    try {
        Entries found;
        if (!CollectTree(node, *this, found)) {
            return false;
        }
        m_vFileImage.reserve(m_vFileImage.size() + found.size());
        for (auto& e : found) {
            m_vFileImage.push_back(std::move(e));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CZPackedFile::Save(const char* path) {
    return Save(path, stPackSaveOptions{});
}

bool CZPackedFile::Save(const char* path, const stPackSaveOptions& options) {
    Reporter report(options.report);
    const char* target = path ? path : m_szPackPath;
    if (target[0] == '\0') {
        return report.Fail(PackSaveFailure::kNoTarget, kErrParam, "");
    }
    char placed[kPathBufSize];
    try {
        ArchiveWriter writer(m_vFileImage, m_szPackPath, options, report);
        if (!writer.Write(target)) {
            return false;
        }
        std::memcpy(placed, writer.Placed().path, sizeof placed);
    } catch (const std::bad_alloc&) {
        return report.Fail(PackSaveFailure::kNoMemory, kErrNoMemory, target);
    }
    // The new archive is in place: from here on the object refers to it, by
    // its absolute path, and is read back like any archive. A second try
    // covers a passing failure (memory); should both fail, the catalogue is
    // empty, as after any failed Open, while the saved archive stands.
    if (!Open(placed)) {
        Open(placed);
    }
    return true;
}

}  // namespace zorvane
