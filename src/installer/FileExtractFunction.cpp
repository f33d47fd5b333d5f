// MyInstallerWindow::FileExtractFunction: the installation, on the worker
// thread. It unpacks the module archive into a private temporary folder,
// checks "fc.bin" against the built-in digest, unpacks the copy tool from
// exactly the bytes it checked, and runs the tool to copy the module folder
// into the "Screen Savers" folder of the chosen Library folder. It touches no
// interface object; the main thread sees its progress and results only
// through the shared fields.
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "archive/CZPackedFile.h"
#include "filelib/CFile.h"
#include "filelib/zrPath.h"
#include "filelib/zrmFile.h"
#include "installer/MyInstallerWindow.h"
#include "installer/MyTempFolder.h"
#include "installer/MyValidFCDigest.h"
#include "md5/md5.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/qt/ZvToolLauncher.h"

namespace {

constexpr std::size_t kResourcesPathSize = 260;  // 259 bytes and the NUL
constexpr std::size_t kModuleNameSize = 260;

std::mutex g_digestMutex;
bool g_digestOverridden = false;
unsigned char g_digestOverride[16];

// The module folder's name: the first component of entry 0's output path,
// after any leading "." and "/" characters. False when the archive has no
// entry 0, or the name is empty (the copy would then replace the whole
// "Screen Savers" folder) or does not fit its buffer.
bool ModuleFolderName(const zorvane::CZPackedFile& archive, char* name) {
    std::memset(name, 0, kModuleNameSize);
    if (archive.GetFileImageNum() == 0) {
        return false;
    }
    const char* outputPath = archive.GetFileOutputPath(0);
    if (outputPath == nullptr) {
        return false;
    }
    while (*outputPath == '.' || *outputPath == '/') {
        ++outputPath;
    }
    const char* slash = std::strchr(outputPath, '/');
    const std::size_t length =
        slash != nullptr ? static_cast<std::size_t>(slash - outputPath) : std::strlen(outputPath);
    if (length == 0 || length >= kModuleNameSize) {
        return false;
    }
    std::memcpy(name, outputPath, length);
    return true;
}

// The whole content of the file at path; empty when it cannot be read.
std::vector<unsigned char> ReadWholeFile(const char* path) {
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return bytes;
    }
    unsigned char chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof(chunk), file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof(chunk)) {
            break;
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        bytes.clear();
    }
    return bytes;
}

bool WriteNewFile(const char* path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "wbx");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool HasValidDigest(const std::vector<unsigned char>& bytes) {
    md5_record state;
    md5_init(&state);
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const std::size_t piece = std::min<std::size_t>(bytes.size() - offset, INT32_MAX);
        md5_append(&state, bytes.data() + offset, static_cast<int32_t>(piece));
        offset += piece;
    }
    unsigned char digest[16];
    md5_finish(&state, digest);

    unsigned char valid[16];
    MyInstallerWindow::GetValidFCDigest(valid);
    for (std::size_t i = 0; i < sizeof(valid); ++i) {
        if (digest[i] != valid[i]) {
            return false;
        }
    }
    return true;
}

// The "Screen Savers" folder of the local (all users) or the user's Library
// folder, into a 1024-byte buffer.
bool FindDestinationFolder(bool allUsers, char* destinationFolder) {
    char library[1024];
    if (FSFindFolderPath(allUsers ? kLocalDomain : kUserDomain, kLibraryFolderType, library,
                         sizeof(library)) != kNoErr) {
        return false;
    }
    zrCatPath(destinationFolder, library, "Screen Savers");
    return destinationFolder[0] != '\0';
}

// The main bundle's Resources folder, at most 259 bytes.
bool FindResourcesFolder(char (&resources)[kResourcesPathSize]) {
    FSRef ref;
    return zrmGetResourcesPath(&ref, nullptr) &&
           FSRefMakePath(&ref, resources, sizeof(resources)) == kNoErr;
}

// Checks fc.bin against the built-in digest and unpacks FileCopy from exactly
// the bytes it checked: they are copied into a fresh private folder first, so
// nobody else can swap the archive between the check and the unpacking, or
// the tool between its unpacking and its run.
bool UnpackCheckedTool(const char* resources, char* toolFolder, char* toolPath) {
    char toolArchive[1024];
    zrCatPath(toolArchive, resources, "fc.bin");
    const std::vector<unsigned char> toolBytes = ReadWholeFile(toolArchive);
    if (!HasValidDigest(toolBytes)) {
        return false;
    }
    zrLib::File::CFile::CreateDirInTemp(toolFolder);
    if (toolFolder[0] == '\0') {
        return false;
    }
    char checkedArchive[1024];
    zrCatPath(checkedArchive, toolFolder, "fc.bin");
    if (!WriteNewFile(checkedArchive, toolBytes)) {
        return false;
    }
    zorvane::CZPackedFile tool;
    if (!tool.Open(checkedArchive) || !tool.OutputFile("FileCopy", toolFolder, nullptr, false)) {
        return false;
    }
    zrCatPath(toolPath, toolFolder, "FileCopy");
    return toolPath[0] != '\0';
}

void EchoToStandardOutput(const char* bytes, std::size_t count) {
    std::fwrite(bytes, 1, count, stdout);
    std::fflush(stdout);
}

}  // namespace

void MyInstallerWindow::GetValidFCDigest(unsigned char digest[16]) {
    std::lock_guard<std::mutex> lock(g_digestMutex);
    std::memcpy(digest, g_digestOverridden ? g_digestOverride : s_ValidFCDigest, 16);
}

void MyInstallerWindow::SetValidFCDigestForTests(const unsigned char* digest) {
    std::lock_guard<std::mutex> lock(g_digestMutex);
    g_digestOverridden = digest != nullptr;
    if (digest != nullptr) {
        std::memcpy(g_digestOverride, digest, sizeof(g_digestOverride));
    }
}

void MyInstallerWindow::FileExtractFunction() {
    m_bInstallNoErr.store(false, std::memory_order_relaxed);
    char tempFolder[1024] = {};
    char toolFolder[1024] = {};
    const bool installed = InstallModule(tempFolder, toolFolder);
    m_bInstallNoErr.store(installed, std::memory_order_relaxed);
    MyRemoveTempFolder(toolFolder);
    MyRemoveTempFolder(tempFolder);
    m_bExtractFinished.store(true, std::memory_order_release);
}

// Everything up to and including the copy, in order; answers whether the
// module was installed. The temporary folders it makes are left in
// tempFolder and toolFolder for the caller to remove.
bool MyInstallerWindow::InstallModule(char* tempFolder, char* toolFolder) {
    char destinationFolder[1024];
    char resources[kResourcesPathSize];
    if (!FindDestinationFolder(m_bInstallAllUser.load(std::memory_order_relaxed),
                               destinationFolder) ||
        !FindResourcesFolder(resources)) {
        return false;
    }
    char moduleFolder[kModuleNameSize];
    if (!UnpackModule(resources, destinationFolder, tempFolder, moduleFolder)) {
        return false;
    }
    char source[1024];
    zrCatPath(source, tempFolder, moduleFolder);
    char toolPath[1024];
    if (!UnpackCheckedTool(resources, toolFolder, toolPath)) {
        return false;
    }
    return RunCopyTool(toolPath, source);
}

// Opens saver.bin, takes the module folder's name from it, fills the module's
// name and installed path, and unpacks every entry into a fresh temporary
// folder while counting them for the bar.
bool MyInstallerWindow::UnpackModule(const char* resources, const char* destinationFolder,
                                     char* tempFolder, char* moduleFolder) {
    char archivePath[1024];
    zrMakePath(archivePath, resources, "saver", "bin");
    auto archive = std::make_unique<zorvane::CZPackedFile>();
    if (!archive->Open(archivePath) || !ModuleFolderName(*archive, moduleFolder)) {
        return false;
    }
    const unsigned long count = archive->GetFileImageNum();
    m_nFilesNum.store(count > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(count),
                      std::memory_order_relaxed);
    m_nExtractedNum.store(0, std::memory_order_relaxed);

    char installedPath[1024];
    zrCatPath(installedPath, destinationFolder, moduleFolder);
    if (installedPath[0] == '\0') {
        return false;  // too long for a path
    }
    std::memcpy(m_szInstalledPath, installedPath, sizeof(m_szInstalledPath));
    zrSplitFname(moduleFolder, m_szModuleName, nullptr);

    std::memset(tempFolder, 0, 1024);
    zrLib::File::CFile::CreateDirInTemp(tempFolder);
    m_nExtractedNum.store(0, std::memory_order_relaxed);
    if (tempFolder[0] == '\0') {
        return false;
    }
    // Every entry is counted, written or not, so the bar runs to its end; but
    // a module with an entry that could not be written is incomplete and is
    // not installed.
    bool complete = true;
    for (unsigned long i = 0; i < archive->GetFileImageNum() && i <= INT_MAX; ++i) {
        const int id = static_cast<int>(i);
        const bool written = archive->GetFileImageSizeById(i) == 0
                                 ? archive->OutputEmptyFileById(id, tempFolder, "", true)
                                 : archive->OutputFileById(id, tempFolder, "", true);
        complete = complete && written;
        m_nExtractedNum.fetch_add(1, std::memory_order_relaxed);
    }
    return complete;
}

// Runs the tool with the module folder and its destination. For all users
// it needs the administrator right; a refusal or a dismissed prompt fails
// before anything is copied. The installation is done when the tool ran and
// reported success (exit status 0): the tool replaces the destination only
// with a complete copy, so any other status means nothing was installed.
bool MyInstallerWindow::RunCopyTool(const char* toolPath, const char* source) {
    const std::vector<std::string> args{source, m_szInstalledPath};
    const ZvToolLauncher::Result result =
        m_bInstallAllUser.load(std::memory_order_relaxed)
            ? ZvToolLauncher::RunPrivileged(toolPath, args, EchoToStandardOutput)
            : ZvToolLauncher::Run(toolPath, args);
    return result.outcome == ZvToolLauncher::Outcome::Ran && result.exitStatus == 0;
}
