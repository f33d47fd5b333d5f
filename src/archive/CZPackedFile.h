// Packed archive: one file carrying many files, each as its own zlib stream
// guarded by an MD5 digest, behind a compressed, checksummed and masked
// catalogue (layout in stPackHeader.h, stPackRecord.h, PackCatalog.h).
//
// CZPackedFile holds an archive's path and its catalogue in memory; it opens
// and verifies archives, looks entries up, reads an entry's bytes with the
// digest checked first, and writes entries out as files with their stored
// dates and permissions.
//
// Archives are untrusted input. Whatever they say, the class never writes
// outside the folder it is asked to extract into, never follows a symbolic
// link while extracting, never reads past the bytes it holds and never
// allocates more than the archive can justify.
//
// Results: true/false, a size of 0 or an id of -1 for failures; platform
// statuses (0 = success) where noted. Nothing throws.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archive/PackCatalog.h"
#include "archive/stFileImage.h"
#include "archive/stPackSaveOptions.h"
#include "filelib/CFile.h"
#include "platform/types.h"

namespace zorvane {

class CZPackedFile {
  public:
    CZPackedFile();
    virtual ~CZPackedFile();
    CZPackedFile(const CZPackedFile&) = delete;
    CZPackedFile& operator=(const CZPackedFile&) = delete;

    // Reads the archive at path. A null or empty path changes nothing and
    // answers false. Otherwise the path is stored and the catalogue replaced:
    // true with every record of an accepted archive, false with an empty
    // catalogue when the file is missing, unreadable, not an archive, damaged
    // or claims sizes the file cannot hold.
    bool Open(const char* path);
    // As Open; status, when given, receives why the archive was refused.
    bool Open(const char* path, PackStatus* status);

    unsigned long GetFileImageNum() const { return m_vFileImage.size(); }

    // Id of the first entry whose name equals name byte for byte (names are
    // compared exactly, case-sensitive, without normalisation; bytes that are
    // not valid UTF-8 compare as bytes too), or -1.
    int GetFileId(const char* name) const;

    // Length of the entry's file; 0 for an id outside the catalogue. A pending
    // entry answers the current size of its file (0 when it cannot be read).
    unsigned long GetFileImageSizeById(unsigned long id) const;
    unsigned long GetFileImageSize(const char* name) const;
    // Length of the entry's stored stream (0 for a pending entry or an id
    // outside the catalogue).
    unsigned long GetFilePackedSizeById(unsigned long id) const;

    // Places the entry's file bytes in buffer, which holds at least
    // GetFileImageSizeById(id) bytes. An archived entry's stream is read whole,
    // its MD5 compared with the stored digest (buffer is untouched on a
    // mismatch), then decompressed; a stream that does not decompress to
    // exactly the entry's length counts as damaged. An entry whose length is
    // more than its stream could decompress to, or whose stream lies past the
    // end of the archive, is refused before anything is allocated.
    bool GetFileImageById(unsigned long id, unsigned char* buffer) const;
    bool GetFileImage(const char* name, unsigned char* buffer) const;

    // The entry's name and relative output folder; null outside the catalogue.
    const char* GetFileImageNameById(unsigned long id) const;
    const char* GetFileOutputPath(unsigned long id) const;

    // The full path that the last output of the entry wrote (empty until
    // then); null for an id outside the catalogue. The setter copies at most
    // 1023 bytes and ignores ids outside the catalogue.
    void SetFileOutputFullFname(int id, const char* path);
    const char* GetFileOutputFullFname(unsigned long id) const;

    // Writes the entry as a file into folder, under prefix + its name (a null
    // prefix counts as empty). With createDirs the entry's output folder is
    // joined to folder and made when missing; without it the file goes
    // straight into folder. An existing file of that name is replaced; the
    // stored dates and mode are applied (set-user-ID, set-group-ID and sticky
    // bits are dropped; they are applied through the file just written, never
    // by following a path). True when the file was written whole. False, with
    // nothing written, for an id outside the catalogue, an empty entry, bytes
    // that fail their checks, a name or output folder that would lead outside
    // folder (a ".." component, a symbolic link on the way), a path longer
    // than 1023 bytes, a folder that cannot be made, or a failed write.
    bool OutputFileById(int id, const char* folder, const char* prefix, bool createDirs);
    bool OutputFile(const char* name, const char* folder, const char* prefix, bool createDirs);

    // As OutputFileById, for an entry of length 0 only (which OutputFileById
    // refuses): checks its stored stream and writes an empty file.
    bool OutputEmptyFileById(int id, const char* folder, const char* prefix, bool createDirs);

    // Outputs the count entries of ids in turn, each as OutputFileById does;
    // with writeEmpty an entry of length 0 is written as OutputEmptyFileById
    // does. written (may be null) receives each entry's result. Neighbouring
    // streams are read together (up to 4 MiB at once) and the folder is
    // opened once for the whole call, so extracting many entries in file
    // order costs far fewer file-system calls than one call per entry.
    void OutputFilesById(const unsigned long* ids, std::size_t count, const char* folder,
                         const char* prefix, bool createDirs, bool writeEmpty, bool* written);

    // Outputs every entry in catalogue order and stops at the first that
    // fails: true when all were written; false then, and for an empty
    // catalogue.
    bool OutputAllFile(const char* folder, const char* prefix, bool createDirs);

    // Copies the file's five dates and permission block into the entry (all
    // zero when the file cannot be found or queried); answers the platform
    // status.
    OSErr ReadFileAttribute(const char* path, stFileImage* entry) const;
    // Applies the entry's dates and permission block to the file (what the
    // platform can apply: access and modification times, mode, and owner and
    // group where we have the right); answers the platform status.
    OSErr SetFileAttribute(const char* path, const stFileImage* entry) const;

    // Destroys every entry; the path stays.
    void ClearAll();
    // Destroys the first entry whose name equals name byte for byte.
    void Clear(const char* name);
    // Destroys entry id; the ids of the entries behind it move down by one.
    void RemoveFileInfo(int id);

    // Checks every entry: an archived one's stream is read, its digest
    // compared and it is decompressed to count that it gives exactly the
    // entry's length; a pending one's file must be readable. Answers true when
    // every entry passed; false when the archive file holds 27 bytes or fewer,
    // the catalogue is empty, or an entry failed. badIds, when given, receives
    // the ids of the entries that failed, in order.
    bool CheckAllData(std::vector<unsigned long>* badIds = nullptr) const;
    // The check of CheckAllData for one entry; false for an id outside the
    // catalogue.
    bool CheckFileById(unsigned long id) const;

    // Building and saving (CZPackedFileSave.cpp). The adding operations only
    // append pending entries and answer whether they added anything; a name
    // or output path longer than 259 bytes is refused, never cut.
    //
    // Copies size bytes (0 adds nothing) into the file named like name's last
    // component in the private temporary folder, which the entry then names.
    // Two images of the same last name share that file.
    bool AddFileImage(const char* name, const unsigned char* data, unsigned long size,
                      const char* outputPath);
    // A folder adds every file below it (see AddFilePathFromFnameList) and
    // ignores outputPath; anything else adds one entry with outputPath.
    bool AddFilePath(const char* path, const char* outputPath);
    // Adds the files of a GetFileTree tree from node on, depth-first in
    // sibling order, each with its node's relative folder; ".DS_Store" files
    // are left out at every depth. All or nothing.
    bool AddFilePathFromFnameList(const zrLib::File::CFile::stFnameList* node);
    // Writes the catalogue as an archive at path (null: the current archive)
    // and reopens it by its absolute path. The new file is made beside the
    // target and renamed over it once complete and flushed, so the target
    // holds the whole old archive or the whole new one at every moment; a
    // replaced file's owner, group and mode pass to the new one. On failure
    // the object and the old archive stay as they were and nothing is left
    // behind. A pending file that is missing, unreadable or changes while it
    // is stored fails the save.
    bool Save(const char* path);
    bool Save(const char* path, const stPackSaveOptions& options);

  protected:
    struct BufferDisposer {
        void operator()(unsigned char* p) const;
    };
    // A work buffer of the platform's allocator.
    using Buffer = std::unique_ptr<unsigned char, BufferDisposer>;

    // The entry with that id, or null.
    stFileImage* Entry(unsigned long id) const;
    // Whether an archived entry's sizes can be true for this archive file.
    bool IsEntryPlausible(const stFileImage& entry, std::uint64_t archiveSize) const;
    struct OutputRun;
    // An archived entry's stream, read and its digest checked: inside run's
    // read-ahead window when it has one, else in own (a new work buffer).
    // Null when the stream cannot be read, lies outside the archive or fails
    // its digest.
    const unsigned char* CheckedStream(const stFileImage& entry, OutputRun* run, Buffer& own) const;
    bool CheckEntry(const stFileImage& entry) const;
    // Decompresses a checked stream into buffer (the entry's length).
    bool InflateEntry(const stFileImage& entry, const unsigned char* stream,
                      unsigned char* buffer) const;
    // The entry's size bytes in run's output buffer, or null; never allocates
    // for a length the archive cannot back.
    const unsigned char* LoadEntry(const stFileImage& entry, unsigned long size,
                                   OutputRun& run) const;
    PackStatus LoadCatalog();
    bool OutputOne(int id, const char* folder, const char* prefix, bool createDirs, bool writeEmpty,
                   OutputRun& run);
    bool OutputEntry(int id, const char* folder, const char* prefix, bool createDirs,
                     unsigned long size, OutputRun& run);

    char m_szPackPath[kPathBufSize];
    std::vector<std::unique_ptr<stFileImage>> m_vFileImage;
    // Size of the archive file when it was opened (0 when not open). Each
    // stream must lie within it before a buffer is allocated for it; a file
    // cut shorter since then fails at the read.
    std::uint32_t m_nPackSize;
    // The archive file's object from a successful Open (null otherwise).
    std::unique_ptr<zrLib::File::CFile> m_pPackFile;
};

// Output capacity reserved for the zlib stream of length input bytes:
// length + length/4096 + length/16384 + 11, in unsigned 32-bit arithmetic.
unsigned long zcompressBound(unsigned long length);

}  // namespace zorvane
