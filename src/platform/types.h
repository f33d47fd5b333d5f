// Records, scalar types and status values of the platform file layer.
//
// Everything above the platform layer names files through these small plain
// records. They are ours, shaped after what the file library, the copy engine
// and the archive code need; all of them are trivially copyable and may be
// zero-filled with memset.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Scalar types

using OSErr = std::int16_t;                 // 16-bit status, 0 = success
using OSType = std::uint32_t;               // four-character code, 'abcd' = 0x61626364
using UniChar = std::uint16_t;              // one UTF-16 code unit
using UniCharCount = std::uint32_t;         // number of UTF-16 code units
using FSVolumeRefNum = std::int16_t;        // volume number, negative; 0 = none
using FSIORefNum = std::int16_t;            // open fork number, positive; 0 = none
using FSCatalogInfoBitmap = std::uint32_t;  // which FSCatalogInfo fields a call reads/writes
using TextEncoding = std::uint32_t;

// ---------------------------------------------------------------------------
// Status values. Every call answers one of these; callers compare with the
// numbers they know (0, -43, -48, -50, -108, -1407, -1417, ...).

constexpr OSErr kNoErr = 0;
constexpr OSErr kErrUnimplemented = -4;        // the platform does not offer this (server copy)
constexpr OSErr kErrDiskFull = -34;            // ENOSPC, EDQUOT
constexpr OSErr kErrIO = -36;                  // any failure without a better match
constexpr OSErr kErrBadName = -37;             // empty, ".", "..", contains "/" or NUL, too long
constexpr OSErr kErrEOF = -39;                 // a read reached past the end of a fork
constexpr OSErr kErrTooManyOpen = -42;         // no fork number or file descriptor left
constexpr OSErr kErrNotFound = -43;            // no object at that place (ENOENT)
constexpr OSErr kErrReadOnlyVolume = -44;      // EROFS
constexpr OSErr kErrLocked = -45;              // the object carries the immutable (locked) flag
constexpr OSErr kErrBusy = -47;                // folder not empty (ENOTEMPTY) or busy (EBUSY)
constexpr OSErr kErrNameTaken = -48;           // EEXIST
constexpr OSErr kErrParam = -50;               // missing or bad argument; also "not supported here"
constexpr OSErr kErrBadForkRef = -51;          // no open fork with that number
constexpr OSErr kErrWritePermission = -61;     // writing through a fork opened for reading only
constexpr OSErr kErrNoMemory = -108;           // allocation failed
constexpr OSErr kErrFolderNotFound = -120;     // a folder on the way does not exist
constexpr OSErr kErrBadMove = -122;            // move of a folder into itself
constexpr OSErr kErrDifferentVolumes = -1303;  // EXDEV; FSCompareFSRefs on two volumes
constexpr OSErr kErrNotAFile = -1302;          // a file was expected, a folder was found (EISDIR)
constexpr OSErr kErrNotAFolder = -1407;        // a folder was expected (ENOTDIR)
constexpr OSErr kErrForkNotFound = -1409;      // no fork of that name
constexpr OSErr kErrNoMoreItems = -1417;       // end of a folder or fork enumeration
constexpr OSErr kErrDifferentObjects = -1420;  // FSCompareFSRefs: same volume, other object
constexpr OSErr kErrForkExists = -1421;        // FSCreateFork of a fork that is there already
constexpr OSErr kErrAccessDenied = -5000;      // EACCES, EPERM; refused private temporary folder

// ---------------------------------------------------------------------------
// Names and references

// Native reference: one existing file or folder, held as its absolute path
// (no "." or ".." components, no trailing "/" except for the root "/"; the
// last component is never followed when it is a symbolic link). A reference
// is made only for an object that existed at that moment; calls on a
// reference whose object has gone answer -43. Identity is decided by device
// and inode (FSCompareFSRefs), never by comparing the text.
struct FSRef {
    char path[1024];
};

// 255-character name: a length and at most 255 UTF-16 code units, not
// terminated. Fork names and object names use it.
struct HFSUniStr255 {
    std::uint16_t length;
    UniChar unicode[255];
};

// Date: seconds since 1904-01-01 00:00:00 UTC in 48 bits (high 16, low 32)
// and a fraction in 1/65536 second. All zero means "no date". The fields are
// those of the archive's 8-byte on-disk date; in memory the record keeps its
// natural alignment (so references to its fields are safe), and code that
// writes it to disk converts field by field.
struct UTCDateTime {
    std::uint16_t highSeconds;
    std::uint32_t lowSeconds;
    std::uint16_t fraction;
};

// Permission block, 16 bytes, laid out as the archive's permission block (in
// host byte order). mode is the object's full st_mode (type and permission
// bits, low 16 bits); writes apply only mode & 07777.
struct FSPermissionInfo {
    std::uint32_t userID;
    std::uint32_t groupID;
    std::uint8_t reserved1;
    std::uint8_t userAccess;  // kUserAccess* bits for the calling process
    std::uint16_t mode;
    std::uint32_t reserved2;
};
static_assert(sizeof(FSPermissionInfo) == 16);

// userAccess bits, worked out with access() for the effective user. A bit
// set means the right is missing.
enum : std::uint8_t {
    kUserAccessNoSearch = 0x01,  // may not search (folders) / execute (files)
    kUserAccessNoRead = 0x02,    // may not read
    kUserAccessNoWrite = 0x04,   // may not make changes
    kUserAccessNotOwner = 0x80,  // the object belongs to another user
};

// Finder information of a file (16 bytes). Kept in an extended attribute of
// our own; an object that never had any reads all zero. A symbolic link reads
// as type kSymLinkFileType, creator kSymLinkCreator.
struct FinderInfo {
    OSType fileType;
    OSType fileCreator;
    std::uint16_t finderFlags;  // 0x0100 = already placed in its window
    std::int16_t locationV;
    std::int16_t locationH;
    std::uint16_t reservedField;
};
static_assert(sizeof(FinderInfo) == 16);

// Extended Finder information: 16 opaque bytes, stored beside FinderInfo.
struct ExtendedFinderInfo {
    std::uint8_t bytes[16];
};

constexpr OSType kSymLinkFileType = 0x736C6E6B;  // 'slnk'
constexpr OSType kSymLinkCreator = 0x72686170;   // 'rhap'

// Node flags.
enum : std::uint16_t {
    kNodeLocked = 0x0001,       // immutable inode flag
    kNodeIsDirectory = 0x0010,  // the object is a folder
};

// Catalogue information of one object. Each call says which fields it reads
// or writes with an FSCatalogInfoBitmap; fields outside the bitmap are left
// alone on reads and ignored on writes.
struct FSCatalogInfo {
    std::uint16_t nodeFlags;      // kNodeLocked, kNodeIsDirectory
    FSVolumeRefNum volume;        // volume holding the object
    std::uint32_t parentDirID;    // nodeID of the containing folder; 1 for a volume's root
    std::uint32_t nodeID;         // 2 for a volume's root, else derived from the inode
    std::uint8_t sharingFlags;    // always 0
    std::uint8_t userPrivileges;  // same bits as permissions.userAccess
    std::uint16_t reserved;
    UTCDateTime createDate;        // birth time (statx); a busy mark when one is set
    UTCDateTime contentModDate;    // mtime
    UTCDateTime attributeModDate;  // ctime, read only
    UTCDateTime accessDate;        // atime
    UTCDateTime backupDate;        // always 0; writes ignored
    FSPermissionInfo permissions;  // owner, group, mode, user access
    FinderInfo finderInfo;
    ExtendedFinderInfo extFinderInfo;
    std::uint64_t dataLogicalSize;   // bytes of the data fork (files), 0 for folders
    std::uint64_t dataPhysicalSize;  // bytes allocated on disk
    std::uint64_t rsrcLogicalSize;   // always 0 (no resource fork of its own)
    std::uint64_t rsrcPhysicalSize;  // always 0
    std::uint32_t valence;           // folders: number of entries
    TextEncoding textEncodingHint;   // reads kTextEncodingUTF8; writes ignored
};

constexpr TextEncoding kTextEncodingUTF8 = 0x08000100;
constexpr TextEncoding kTextEncodingUnknown = 0xFFFF;

// FSCatalogInfoBitmap bits.
enum : FSCatalogInfoBitmap {
    kCatInfoNone = 0,
    kCatInfoTextEncoding = 0x00000001,
    kCatInfoNodeFlags = 0x00000002,
    kCatInfoVolume = 0x00000004,
    kCatInfoParentDirID = 0x00000008,
    kCatInfoNodeID = 0x00000010,
    kCatInfoCreateDate = 0x00000020,
    kCatInfoContentMod = 0x00000040,
    kCatInfoAttrMod = 0x00000080,
    kCatInfoAccessDate = 0x00000100,
    kCatInfoBackupDate = 0x00000200,
    kCatInfoPermissions = 0x00000400,
    kCatInfoFinderInfo = 0x00000800,
    kCatInfoFinderXInfo = 0x00001000,
    kCatInfoValence = 0x00002000,
    kCatInfoDataSizes = 0x00004000,
    kCatInfoRsrcSizes = 0x00008000,
    kCatInfoSharingFlags = 0x00010000,
    kCatInfoUserPrivs = 0x00020000,
    kCatInfoAllDates = 0x000003E0,
    kCatInfoSettableInfo = 0x00001FE3,  // what create and FSSetCatalogInfo apply
    kCatInfoGettableInfo = 0x0003FFFF,
};

// Legacy file record: volume, parent folder ID and an 8-bit name of up
// to 63 bytes (Pascal string, cut at 63 bytes when longer). It cannot be
// resolved through the numbers on this system, so it also carries the
// reference it was made from (see FSpMakeFSRef).
struct FSSpec {
    FSVolumeRefNum vRefNum;
    std::uint32_t parID;
    unsigned char name[64];
    FSRef ref;
};

// Position modes of fork reads and writes. kFSNoCacheMask may be added to
// any of them; it is accepted as a hint and has no effect here.
enum : std::uint16_t {
    kFSAtMark = 0,     // at the fork's current position (offset ignored)
    kFSFromStart = 1,  // offset from the start of the fork
    kFSFromLEOF = 2,   // offset from the end of the fork
    kFSFromMark = 3,   // offset from the current position
    kFSNoCacheMask = 0x20,
};

// Permission byte of FSOpenFork.
enum : std::int8_t {
    kFSReadPerm = 1,
    kFSWritePerm = 2,
    kFSReadWritePerm = 3,
};

// FSAllocateFork flags: accepted; the reservation never rounds up here.
enum : std::uint16_t {
    kFSAllocAllOrNothing = 0x0001,
    kFSAllocContiguous = 0x0002,
    kFSAllocNoRoundUp = 0x0004,
};

// FSOpenIterator flags.
enum : std::uint32_t {
    kFSIterateFlat = 0,    // the folder's own entries, read as they are fetched
    kFSIterateDelete = 2,  // all names read at open: deleting returned entries skips nothing
};

// Iterator over a folder's entries (FSOpenIterator .. FSCloseIterator).
struct FSIteratorRec;
using FSIterator = FSIteratorRec*;

// Position of an FSIterateForks enumeration; zero-fill it to start.
struct ForkIterator {
    std::uint32_t index;
    std::uint32_t reserved[3];
};

// Volume parameters (PBHGetVolParmsSync). The first three fields follow the
// old record; the rest comes from statfs.
struct VolParmsInfo {
    std::uint32_t attributes;     // bit kVolSupportsServerCopy never set here
    std::uint32_t serverAddress;  // 0 for a local file system
    std::int32_t volumeGrade;     // speed grade: always 0 (no information)
    std::uint32_t blockSize;      // f_bsize
    std::uint64_t totalBytes;     // f_blocks * f_frsize
    std::uint64_t freeBytes;      // f_bavail * f_frsize
    std::int64_t fileSystemType;  // f_type
};
constexpr std::uint32_t kVolSupportsServerCopy = 0x4000;

// Domains and folder types of FSFindFolder.
enum : std::int16_t {
    kSystemDomain = -32766,  // last entry of $XDG_DATA_DIRS (default /usr/share)
    kLocalDomain = -32765,   // first entry of $XDG_DATA_DIRS (default /usr/local/share)
    kUserDomain = -32763,    // $XDG_DATA_HOME (default ~/.local/share); temporary folder
};
constexpr OSType kTemporaryFolderType = 0x74656D70;  // 'temp'
constexpr OSType kLibraryFolderType = 0x646C6962;    // 'dlib'
