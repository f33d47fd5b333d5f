// Hostile archives: every way an archive can lie, with the result expected
// for each. Nothing may crash, read past the file, allocate for a lie, or
// write outside the extraction folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "ArchiveFixture.h"
#include "platform/fault_injection.h"

namespace fs = std::filesystem;
using zorvane::CZPackedFile;
using zorvane::stPackHeader;
using zorvane::stPackRecord;
using zvtest::Bytes;
using zvtest::TestArchive;

namespace {

class HostileTest : public zvtest::ArchiveFixture {
  protected:
    // target/ is the extraction folder; outside/ must stay empty.
    void SetUp() override {
        ArchiveFixture::SetUp();
        m_target = OutDir("target");
        m_outside = OutDir("outside");
    }
    std::string m_target, m_outside;
};

TEST_F(HostileTest, TruncationAtEveryLength) {
    TestArchive t;
    t.Add("a", "./", "first entry");
    t.Add("b", "./B/", std::string(300, 'b'));
    const Bytes good = t.Build();
    const std::uint32_t catalogEnd = 28 + t.Header().catalogPackedSize;
    const std::uint32_t firstEnd = catalogEnd + t.records[0].nPackedSize;
    for (std::size_t len = 0; len < good.size(); ++len) {
        SCOPED_TRACE("length " + std::to_string(len));
        const std::string path = SaveBytes(Bytes(good.begin(), good.begin() + len), "cut.zpk");
        CZPackedFile a;
        const bool opened = a.Open(path.c_str());
        ASSERT_EQ(len >= catalogEnd, opened);
        if (!opened) {
            EXPECT_EQ(0u, a.GetFileImageNum());
            continue;
        }
        std::string buf(300, '\0');
        auto* p = reinterpret_cast<unsigned char*>(buf.data());
        EXPECT_EQ(len >= firstEnd, a.GetFileImageById(0, p));
        EXPECT_FALSE(a.GetFileImageById(1, p));
        EXPECT_FALSE(a.OutputAllFile(m_target.c_str(), "", true));
        EXPECT_FALSE(a.CheckAllData());
        EXPECT_FALSE(fs::exists(m_target + "B/b"));
    }
}

TEST_F(HostileTest, EachHeaderFieldWrong) {
    TestArchive t;
    t.Add("a", "./", "alpha");
    t.Add("b", "./", "beta");
    struct Row {
        const char* what;
        std::function<void(stPackHeader&)> tweak;
    };
    const Row rows[] = {
        {"magic", [](stPackHeader& h) { h.magic = 0x5A504B4D; }},
        {"magic zero", [](stPackHeader& h) { h.magic = 0; }},
        {"version", [](stPackHeader& h) { h.version = 0x05071600; }},
        {"fileNum + 1", [](stPackHeader& h) { h.fileNum += 1; }},
        {"fileNum - 1", [](stPackHeader& h) { h.fileNum -= 1; }},
        {"fileNum and catalogSize + 1 record",
         [](stPackHeader& h) {
             h.fileNum += 1;
             h.catalogSize += 604;
         }},
        {"fileNum huge",
         [](stPackHeader& h) {
             h.fileNum = 0xFFFFFFFF;
             h.catalogSize = 0xFFFFFFFF;
         }},
        {"catalogPackedSize + 1", [](stPackHeader& h) { h.catalogPackedSize += 1; }},
        {"catalogPackedSize - 1", [](stPackHeader& h) { h.catalogPackedSize -= 1; }},
        {"catalogPackedSize 0", [](stPackHeader& h) { h.catalogPackedSize = 0; }},
        {"catalogPackedSize huge", [](stPackHeader& h) { h.catalogPackedSize = 0xFFFFFFF0; }},
        {"catalogSize + 1", [](stPackHeader& h) { h.catalogSize += 1; }},
        {"catalogSize 0", [](stPackHeader& h) { h.catalogSize = 0; }},
        {"checksum + 1", [](stPackHeader& h) { h.checksum += 1; }},
        {"checksum - 1", [](stPackHeader& h) { h.checksum -= 1; }},
        {"key low byte", [](stPackHeader& h) { h.key ^= 0x80; }},
    };
    for (const Row& row : rows) {
        CZPackedFile a;
        EXPECT_FALSE(a.Open(SaveBytes(t.Build(row.tweak)).c_str())) << row.what;
        EXPECT_EQ(0u, a.GetFileImageNum()) << row.what;
    }
}

TEST_F(HostileTest, ChangedCatalogueByteFailsTheChecksum) {
    TestArchive t;
    t.Add("a", "./", "alpha");
    const Bytes good = t.Build();
    for (std::uint32_t i = 0; i < t.Header().catalogPackedSize; ++i) {
        Bytes bad = good;
        bad[28 + i] += 1;
        CZPackedFile a;
        EXPECT_FALSE(a.Open(SaveBytes(bad).c_str())) << "byte " << i;
    }
}

TEST_F(HostileTest, DigestMismatchFailsOnlyThatEntry) {
    struct Row {
        const char* what;
        std::function<void(TestArchive&)> damage;
    };
    const Row rows[] = {
        {"stream byte changed", [](TestArchive& t) { t.streams[1][5] ^= 1; }},
        {"digest byte changed", [](TestArchive& t) { t.records[1].digest[15] ^= 1; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TestArchive t;
        t.Add("a", "./", "alpha");
        t.Add("b", "./", std::string(1000, 'b'));
        t.Add("c", "./", "gamma");
        row.damage(t);
        CZPackedFile a;
        ASSERT_TRUE(a.Open(Save(t).c_str()));
        std::string buf(1000, 'u');
        EXPECT_FALSE(a.GetFileImageById(1, reinterpret_cast<unsigned char*>(buf.data())));
        EXPECT_EQ(std::string(1000, 'u'), buf) << "buffer touched despite the mismatch";
        const std::string out = OutDir();
        EXPECT_FALSE(a.OutputFileById(1, out.c_str(), "", true));
        EXPECT_TRUE(a.OutputFileById(0, out.c_str(), "", true));
        EXPECT_TRUE(a.OutputFileById(2, out.c_str(), "", true));
        EXPECT_FALSE(fs::exists(out + "b"));
        EXPECT_FALSE(a.OutputAllFile(out.c_str(), "", true));
    }
}

// Names and output folders that try to leave the folder, and those that only
// look like it but stay inside after the joining rules.
TEST_F(HostileTest, EscapingNamesAndOutputPaths) {
    fs::create_directory_symlink(m_outside, m_target + "link");
    fs::create_symlink(m_outside + "victim", m_target + "victim-link");
    struct Row {
        const char* name;
        const char* outputPath;
        bool createDirs;
        const char* landsAt;  // relative to target, or null when refused
    };
    const Row rows[] = {
        {"../../evil", "./", true, nullptr},
        {"a/../../evil", "./", true, nullptr},
        {"..", "./", true, nullptr},
        {".", "./", true, nullptr},
        {"", "./", true, nullptr},
        {"evil", "../../", true, nullptr},
        {"evil", "./Foo/../../", true, nullptr},
        {"evil", "./../../../", true, nullptr},
        {"evil", "./link/", true, nullptr},
        {"evil", "./link/deeper/", true, nullptr},
        {"link/evil", "./", false, nullptr},
        {"victim-link", "./", true, nullptr},
        {"x", "./victim-link/", true, nullptr},
        // Stay inside after the joining rules drop a leading "./", "/" or ".".
        {"../safe1", "./", true, "safe1"},
        {"safe2", "/etc/", true, "etc/safe2"},
        {"safe3", "//etc/", true, "etc/safe3"},
        {"safe4", "///tmp/", true, "tmp/safe4"},
        {"safe5", "../", true, "safe5"},
        {"sub/safe6", "./D/", true, "D/sub/safe6"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("name '") + row.name + "' output path '" + row.outputPath + "'");
        TestArchive t;
        t.Add(row.name, row.outputPath, "payload");
        CZPackedFile a;
        ASSERT_TRUE(a.Open(Save(t).c_str()));
        const std::size_t before = CountBelow(m_target);
        const bool written = a.OutputFileById(0, m_target.c_str(), "", row.createDirs);
        EXPECT_EQ(row.landsAt != nullptr, written);
        if (row.landsAt) {
            EXPECT_EQ("payload", zvtest::ReadFileText(m_target + row.landsAt));
            EXPECT_EQ(m_target + row.landsAt,
                      fs::path(a.GetFileOutputFullFname(0)).lexically_normal().string());
        } else {
            EXPECT_EQ(before, CountBelow(m_target));
            EXPECT_STREQ("", a.GetFileOutputFullFname(0));
        }
        EXPECT_TRUE(fs::is_empty(m_outside));
        EXPECT_FALSE(fs::exists(m_dir / "evil"));
        EXPECT_FALSE(fs::exists(m_dir.parent_path() / "evil"));
    }
    EXPECT_TRUE(fs::is_symlink(m_target + "victim-link"));
}

TEST_F(HostileTest, NamesWithoutNulAreCut) {
    TestArchive t;
    stPackRecord& r = t.Add("n", "./", "data");
    std::memset(r.szFname, 'n', sizeof r.szFname);  // Encode cuts at 259 anyway
    Bytes bytes = t.Build();
    CZPackedFile a;
    ASSERT_TRUE(a.Open(SaveBytes(bytes).c_str()));
    EXPECT_EQ(259u, std::strlen(a.GetFileImageNameById(0)));
    // 259 bytes is more than a file name may hold here: refused, not cut.
    EXPECT_FALSE(a.OutputFileById(0, m_target.c_str(), "", true));
    EXPECT_TRUE(fs::is_empty(m_target));
}

TEST_F(HostileTest, LyingSizes) {
    struct Row {
        const char* what;
        std::function<void(stPackRecord&, std::uint32_t fileSize)> lie;
        bool opens;
    };
    const Row rows[] = {
        {"nSize one more", [](stPackRecord& r, std::uint32_t) { r.nSize += 1; }, true},
        {"nSize one less", [](stPackRecord& r, std::uint32_t) { r.nSize -= 1; }, true},
        {"nSize 4 GiB", [](stPackRecord& r, std::uint32_t) { r.nSize = 0xFFFFFFFF; }, true},
        {"nSize beyond the zlib ratio",
         [](stPackRecord& r, std::uint32_t) { r.nSize = r.nPackedSize * 1100; }, true},
        {"nPackedSize past the end", [](stPackRecord& r, std::uint32_t) { r.nPackedSize += 1; },
         true},
        {"nPackedSize huge", [](stPackRecord& r, std::uint32_t) { r.nPackedSize = 0xFFFFFFF0; },
         true},
        {"nPackedSize zero", [](stPackRecord& r, std::uint32_t) { r.nPackedSize = 0; }, true},
        {"nSize and nPackedSize both huge",
         [](stPackRecord& r, std::uint32_t) {
             r.nSize = 0xFFFFFFFF;
             r.nPackedSize = 0xFFFFFF00;
         },
         true},
        {"nOffset past the end", [](stPackRecord& r, std::uint32_t size) { r.nOffset = size; },
         true},
        {"nOffset wraps the signed field",
         [](stPackRecord& r, std::uint32_t) { r.nOffset = 0x7FFFFFF0; }, false},
        {"nOffset 4 GiB", [](stPackRecord& r, std::uint32_t) { r.nOffset = 0xFFFFFFFF; }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TestArchive t;
        t.Add("a", "./", std::string(4000, 'a'));
        const std::uint32_t size = static_cast<std::uint32_t>(t.Build().size());
        row.lie(t.records[0], size);
        CZPackedFile a;
        ASSERT_EQ(row.opens, a.Open(Save(t).c_str()));
        if (!row.opens) {
            continue;
        }
        EXPECT_FALSE(a.CheckAllData());
        const std::string out = OutDir();
        // A lie about the stream is refused before anything is allocated.
        const bool streamLies = row.lie != nullptr && (t.records[0].nPackedSize > 4000 + 100 ||
                                                       t.records[0].nOffset >= size);
        FaultInjection::StartCounting();
        EXPECT_FALSE(a.OutputFileById(0, out.c_str(), "", true));
        if (streamLies) {
            EXPECT_EQ(0u, FaultInjection::CallCount(PlatformOp::NewPtr));
        }
        FaultInjection::Reset();
        EXPECT_TRUE(fs::is_empty(out));
        if (a.GetFileImageSizeById(0) <= 8000) {
            std::string buf(a.GetFileImageSizeById(0) + 1, '\0');
            EXPECT_FALSE(a.GetFileImageById(0, reinterpret_cast<unsigned char*>(buf.data())));
        } else {
            // Refused before the reader looks at the buffer at all.
            EXPECT_FALSE(a.GetFileImageById(0, nullptr));
        }
    }
}

TEST_F(HostileTest, OverLongPathsAreRefusedNotCut) {
    TestArchive t;
    t.Add("name", std::string("./") + std::string(250, 'd') + "/", "x");
    CZPackedFile a;
    ASSERT_TRUE(a.Open(Save(t).c_str()));
    const std::string deep = m_target + std::string(800, 'f');
    EXPECT_FALSE(a.OutputFileById(0, deep.c_str(), "", true));
    EXPECT_FALSE(a.OutputFileById(0, m_target.c_str(), std::string(1020, 'p').c_str(), false));
    EXPECT_TRUE(fs::is_empty(m_target));
    const std::string longArchive = std::string(1100, 'z');
    EXPECT_FALSE(a.Open(longArchive.c_str()));
    EXPECT_EQ(0u, a.GetFileImageNum());
}

}  // namespace
