// RtfReader::ReadFile: RTF files, RTFD folders and the files it refuses.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "RtfDocumentCheck.h"
#include "rtf/RtfReader.h"

namespace {

using Status = RtfReader::Status;
namespace fs = std::filesystem;

// A fresh folder, removed with its content afterwards.
class RtfFileTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/rtf_file_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path m_dir;
};

TEST_F(RtfFileTest, ReadsFile) {
    Write(Path("EULA.rtf"), R"({\rtf1\ansi\ansicpg932 {\b Terms}\par \'93\'fa})");
    RtfDocument document;
    EXPECT_EQ(RtfReader().ReadFile(Path("EULA.rtf"), document), Status::Ok);
    EXPECT_EQ(rtftest::Describe(document), "{b}Terms¶{}日");
}

// An RTFD document is a folder with the document's own name holding TXT.rtf.
TEST_F(RtfFileTest, ReadsRtfdFolder) {
    fs::create_directory(Path("EULA.rtf"));
    Write(Path("EULA.rtf/TXT.rtf"), R"({\rtf1 inside})");
    Write(Path("EULA.rtf/other.rtf"), R"({\rtf1 not this})");
    RtfDocument document;
    EXPECT_EQ(RtfReader().ReadFile(Path("EULA.rtf"), document), Status::Ok);
    EXPECT_EQ(rtftest::Describe(document), "{}inside");
    EXPECT_EQ(RtfReader().ReadFile(Path("EULA.rtf") + "/", document), Status::Ok);
    EXPECT_EQ(rtftest::Describe(document), "{}inside");
}

TEST_F(RtfFileTest, RefusesWhatIsNoReadableDocument) {
    fs::create_directory(Path("empty.rtf"));
    fs::create_directory(Path("nested.rtf"));
    fs::create_directory(Path("nested.rtf/TXT.rtf"));
    ASSERT_EQ(mkfifo(Path("fifo.rtf").c_str(), 0600), 0);
    fs::create_directory(Path("fifo.rtfd"));
    ASSERT_EQ(mkfifo(Path("fifo.rtfd/TXT.rtf").c_str(), 0600), 0);

    for (const std::string name :
         {"missing.rtf", "empty.rtf", "nested.rtf", "fifo.rtf", "fifo.rtfd"}) {
        RtfDocument document = {{RtfParagraph{}}};
        EXPECT_EQ(RtfReader().ReadFile(Path(name), document), Status::CannotRead) << name;
        EXPECT_TRUE(document.paragraphs.empty()) << name;
    }
    RtfDocument document;
    EXPECT_EQ(RtfReader().ReadFile("", document), Status::CannotRead);
}

TEST_F(RtfFileTest, UnreadableFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their mode";
    }
    Write(Path("locked.rtf"), R"({\rtf1 x})");
    fs::permissions(Path("locked.rtf"), fs::perms::none);
    RtfDocument document;
    EXPECT_EQ(RtfReader().ReadFile(Path("locked.rtf"), document), Status::CannotRead);
}

TEST_F(RtfFileTest, SizeLimit) {
    RtfReader::Limits limits;
    limits.maxInputBytes = 10;
    Write(Path("small.rtf"), R"({\rtf1 ab})");
    Write(Path("big.rtf"), R"({\rtf1 abc})");
    RtfDocument document;
    EXPECT_EQ(RtfReader(limits).ReadFile(Path("small.rtf"), document), Status::Ok);
    EXPECT_EQ(RtfReader(limits).ReadFile(Path("big.rtf"), document), Status::TooLarge);
    EXPECT_TRUE(document.paragraphs.empty());
}

TEST_F(RtfFileTest, NotRtf) {
    Write(Path("plain.rtf"), "Just words.\n");
    RtfDocument document;
    EXPECT_EQ(RtfReader().ReadFile(Path("plain.rtf"), document), Status::NotRtf);
}

}  // namespace
