// Tests of the archive's writing side: adding images, files and folders,
// Save's output (against the two-pass form byte for byte), re-saving archived
// streams unchanged, and saves that fail without touching anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ArchiveFixture.h"
#include "TwoPassArchive.h"
#include "archive/PackCatalog.h"
#include "archive/stPackHeader.h"
#include "filelib/CFile.h"
#include "platform/dates.h"

namespace fs = std::filesystem;
using zorvane::CZPackedFile;
using zorvane::PackSaveFailure;
using zorvane::stPackHeader;
using zorvane::stPackSaveOptions;
using zorvane::stPackSaveReport;
using zvtest::Deflate;
using zvtest::Md5Of;
using zvtest::ProbeArchive;
using zvtest::Random;
using zvtest::ReadFileText;
using zvtest::TestArchive;

namespace {

// Text that compresses well but not trivially.
std::string Words(std::size_t n, unsigned seed) {
    static const char* const kWords[] = {"archive ", "stream ", "folder ", "digest ", "record ",
                                         "saver ",   "module ", "the ",    "of ",     "and\n"};
    std::mt19937 gen(seed);
    std::string s;
    while (s.size() < n) {
        s += kWords[gen() % 10];
    }
    s.resize(n);
    return s;
}

std::string ReadEntry(const CZPackedFile& a, unsigned long id) {
    std::string s(a.GetFileImageSizeById(id), '\0');
    if (!a.GetFileImageById(id, reinterpret_cast<unsigned char*>(s.data()))) {
        return "<failed>";
    }
    return s;
}

std::string TempDir() {
    char dir[1024];
    zrLib::File::CFile::GetTempDirPath(dir, 1023);
    return dir;
}

class SaveTest : public zvtest::ArchiveFixture {
  protected:
    // Writes scratch/<rel> (folders made as needed) and answers its path.
    std::string Put(const std::string& rel, const std::string& data) {
        const fs::path p = Path(rel);
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << data;
        return p.string();
    }
    // Names directly inside the scratch folder.
    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) {
            names.insert(e.path().filename().string());
        }
        return names;
    }
    // The catalogue bytes of an archive file, unmasked, and its header.
    static std::string Unmasked(const std::string& file, stPackHeader* header) {
        *header = stPackHeader::Decode(reinterpret_cast<const unsigned char*>(file.data()));
        std::string cat = file.substr(zorvane::kPackHeaderSize, header->catalogPackedSize);
        for (char& c : cat) {
            c = static_cast<char>(c ^ header->MaskByte());
        }
        return cat;
    }
};

TEST(ZcompressBound, FollowsTheFormulaIn32Bits) {
    const struct {
        unsigned long in, out;
    } rows[] = {
        {0, 11}, {1, 12}, {4095, 4106}, {4096, 4108}, {16384, 16400}, {0xFFFFFFFFul, 1310728},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.out, zorvane::zcompressBound(r.in)) << r.in;
    }
    // The capacity holds the level-9 stream of incompressible data.
    const std::string noise = Random(200000, 3);
    EXPECT_LE(Deflate(noise).size(), zorvane::zcompressBound(noise.size()));
}

TEST_F(SaveTest, FileImagesGoToThePrivateTemporaryFolder) {
    ProbeArchive a;
    const unsigned char bytes[] = "image bytes";
    EXPECT_FALSE(a.AddFileImage("none.bin", bytes, 0, "./"));
    EXPECT_EQ(0u, a.GetFileImageNum());

    ASSERT_TRUE(a.AddFileImage("some/where/zv-save-img.bin", bytes, 11, "./Img/"));
    ASSERT_EQ(1u, a.GetFileImageNum());
    const std::string temp = TempDir();
    const std::string file = temp + "zv-save-img.bin";
    EXPECT_STREQ(file.c_str(), a.GetFileImageNameById(0));
    EXPECT_STREQ("./Img/", a.GetFileOutputPath(0));
    EXPECT_EQ(-1, a.Entry(0)->nOffset);
    EXPECT_EQ(11u, a.Entry(0)->nSize);
    EXPECT_EQ("image bytes", ReadFileText(file));
    struct stat st;
    ASSERT_EQ(0, lstat(temp.c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777) << "the folder is private";
    // The entry takes the temporary file's dates and mode.
    ASSERT_EQ(0, lstat(file.c_str(), &st));
    const UTCDateTime mod = UTCDateTimeFromTimespec(st.st_mtim);
    EXPECT_EQ(mod.lowSeconds, a.Entry(0)->contentModDate.lowSeconds);
    EXPECT_EQ(mod.fraction, a.Entry(0)->contentModDate.fraction);
    EXPECT_EQ(st.st_mode & 0xFFFF, a.Entry(0)->permissions.mode);
    fs::remove(file);
}

TEST_F(SaveTest, TwoImagesOfOneLastNameShareTheirFile) {
    ProbeArchive a;
    const auto* first = reinterpret_cast<const unsigned char*>("first version");
    const auto* later = reinterpret_cast<const unsigned char*>("later");
    ASSERT_TRUE(a.AddFileImage("x/zv-save-dup.txt", first, 13, "./X/"));
    ASSERT_TRUE(a.AddFileImage("y/zv-save-dup.txt", later, 5, "./Y/"));
    ASSERT_EQ(2u, a.GetFileImageNum());
    EXPECT_STREQ(a.GetFileImageNameById(0), a.GetFileImageNameById(1));
    const std::string out = Path("img.zpk").string();
    ASSERT_TRUE(a.Save(out.c_str()));
    ASSERT_EQ(2u, a.GetFileImageNum());
    EXPECT_EQ("later", ReadEntry(a, 0));
    EXPECT_EQ("later", ReadEntry(a, 1));
    EXPECT_STREQ("./X/", a.GetFileOutputPath(0));
    fs::remove(TempDir() + "zv-save-dup.txt");
}

TEST_F(SaveTest, FolderAddsItsFilesDepthFirstWithoutDSStore) {
    Put("Foo/a.txt", "a");
    Put("Foo/.DS_Store", "finder");
    fs::create_directories(Path("Foo/E"));
    Put("Foo/Sub/b.txt", "b");
    Put("Foo/Sub/Deep/.DS_Store", "finder");
    Put("Foo/Sub/Odd/.DS_Store/c.txt", "c");  // a folder of that name is no file

    // Independent walk in the file system's order: a sub-folder's files come
    // where the sub-folder stands among its siblings.
    std::vector<std::pair<std::string, std::string>> expected;
    std::function<void(const fs::path&, const std::string&)> walk = [&](const fs::path& dir,
                                                                        const std::string& rel) {
        for (const auto& e : fs::directory_iterator(dir)) {
            const std::string name = e.path().filename().string();
            if (e.is_directory()) {
                walk(e.path(), rel + name + "/");
            } else if (name != ".DS_Store") {
                expected.emplace_back(e.path().string(), rel);
            }
        }
    };
    walk(Path("Foo"), "./Foo/");
    ASSERT_EQ(3u, expected.size());

    ProbeArchive a;
    ASSERT_TRUE(a.AddFilePath(Path("Foo").c_str(), "./Ignored/"));
    ASSERT_EQ(expected.size(), a.GetFileImageNum());
    for (unsigned long i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, a.GetFileImageNameById(i)) << i;
        EXPECT_EQ(expected[i].second, a.GetFileOutputPath(i)) << i;
        EXPECT_TRUE(a.Entry(i)->IsPending());
    }
}

TEST_F(SaveTest, SingleFilesKeepTheirOutputPathAndLongNamesAreRefused) {
    const std::string file = Put("one.txt", "one");
    const std::string dir = m_dir.string() + "/";
    const struct {
        std::string path, outputPath;
        bool added;
    } rows[] = {
        {file, "./Custom/Dir/", true},
        {file, "", true},
        {dir + "missing.txt", "./", true},  // read at Save time
        {dir + std::string(259, 'n'), "./", true},
        {dir + std::string(260, 'n'), "./", false},
        {file, "./" + std::string(257, 'p'), true},  // 259 bytes
        {file, "./" + std::string(258, 'p'), false},
        {dir + "nameless/", "./", false},
    };
    for (const auto& r : rows) {
        ProbeArchive a;
        EXPECT_EQ(r.added, a.AddFilePath(r.path.c_str(), r.outputPath.c_str())) << r.path;
        ASSERT_EQ(r.added ? 1u : 0u, a.GetFileImageNum()) << r.path;
        if (r.added) {
            EXPECT_EQ(r.path, a.GetFileImageNameById(0));
            EXPECT_EQ(r.outputPath, a.GetFileOutputPath(0));
        }
    }
    ProbeArchive a;
    const std::string longName(260, 'i');
    const auto* bytes = reinterpret_cast<const unsigned char*>("x");
    EXPECT_FALSE(a.AddFileImage(longName.c_str(), bytes, 1, "./"));
    EXPECT_FALSE(a.AddFileImage("ok.bin", bytes, 1, ("./" + std::string(258, 'p')).c_str()));
    EXPECT_EQ(0u, a.GetFileImageNum());
}

TEST_F(SaveTest, FolderWithATooLongOutputPathAddsNothing) {
    Put("Foo/a.txt", "fits");
    std::string rel = "Foo";
    for (int i = 0; i < 9; ++i) {
        rel += "/" + std::string(30, static_cast<char>('a' + i));
    }
    Put(rel + "/deep.txt", "does not fit");  // ./Foo/ + 9 x 31 bytes > 259
    ProbeArchive a;
    EXPECT_FALSE(a.AddFilePath(Path("Foo").c_str(), "./"));
    EXPECT_EQ(0u, a.GetFileImageNum());
}

TEST_F(SaveTest, EmptyCatalogueIsHeaderAndTheEmptyStream) {
    ProbeArchive a;
    const std::string out = Path("empty.zpk").string();
    ASSERT_TRUE(a.Save(out.c_str()));
    const std::string file = ReadFileText(out);
    const std::string empty = Deflate("");
    ASSERT_EQ(28 + empty.size(), file.size());
    stPackHeader h;
    EXPECT_EQ(empty, Unmasked(file, &h));
    EXPECT_EQ(zorvane::kPackMagic, h.magic);
    EXPECT_EQ(zorvane::kPackVersion, h.version);
    EXPECT_EQ(0u, h.fileNum);
    EXPECT_EQ(0u, h.catalogSize);
    EXPECT_EQ(
        zorvane::PackByteSum(reinterpret_cast<const unsigned char*>(empty.data()), empty.size()),
        h.checksum);
    EXPECT_EQ(0u, a.GetFileImageNum());
    EXPECT_STREQ(fs::absolute(out).c_str(), a.PackPath());
    EXPECT_EQ((std::set<std::string>{"empty.zpk"}), Listing());
}

TEST_F(SaveTest, SavedEntriesAreArchivedUnderTheirBareNames) {
    const std::string a1 = Put("src/a.txt", "alpha");
    const std::string e1 = Put("src/empty", "");
    ProbeArchive a;
    ASSERT_TRUE(a.AddFilePath(a1.c_str(), "./T/"));
    ASSERT_TRUE(a.AddFilePath(e1.c_str(), "./T/"));
    ASSERT_TRUE(a.Save(Path("a.zpk").c_str()));
    ASSERT_EQ(2u, a.GetFileImageNum());
    EXPECT_EQ(0, a.GetFileId("a.txt"));
    EXPECT_EQ(-1, a.GetFileId(a1.c_str()));
    EXPECT_FALSE(a.Entry(0)->IsPending());
    EXPECT_EQ("alpha", ReadEntry(a, 0));
    // The pending empty file is the stream of an empty input.
    const std::string empty = Deflate("");
    const zorvane::stFileImage& e = *a.Entry(1);
    EXPECT_EQ(0u, e.nSize);
    EXPECT_EQ(empty.size(), e.nPackedSize);
    EXPECT_EQ(0, std::memcmp(Md5Of(empty).data(), e.digest, 16));
    EXPECT_TRUE(a.CheckFileById(1));
}

TEST_F(SaveTest, SavingToASecondPathLeavesTheFirstUntouched) {
    const std::string first = Path("first.zpk").string();
    const std::string second = Path("second.zpk").string();
    ProbeArchive a;
    ASSERT_TRUE(a.AddFilePath(Put("src/a.txt", "alpha").c_str(), "./"));
    ASSERT_TRUE(a.Save(first.c_str()));
    const std::string before = ReadFileText(first);

    ASSERT_TRUE(a.AddFilePath(Put("src/b.txt", "beta").c_str(), "./"));
    ASSERT_TRUE(a.Save(second.c_str()));
    EXPECT_EQ(before, ReadFileText(first));
    EXPECT_STREQ(fs::absolute(second).c_str(), a.PackPath());
    ASSERT_EQ(2u, a.GetFileImageNum());
    EXPECT_EQ("beta", ReadEntry(a, 1));

    // A save without a path now goes to the second archive.
    ASSERT_TRUE(a.AddFilePath(Put("src/c.txt", "gamma").c_str(), "./"));
    ASSERT_TRUE(a.Save(nullptr));
    EXPECT_EQ(before, ReadFileText(first));
    ProbeArchive check;
    ASSERT_TRUE(check.Open(second.c_str()));
    EXPECT_EQ(3u, check.GetFileImageNum());
    EXPECT_EQ((std::set<std::string>{"first.zpk", "second.zpk", "src"}), Listing());
}

TEST_F(SaveTest, ReplacingKeepsTheArchivesModeAndLinksAreReplaced) {
    const mode_t mask = umask(022);
    umask(mask);
    ProbeArchive a;
    ASSERT_TRUE(a.AddFilePath(Put("src/a.txt", "alpha").c_str(), "./"));
    const std::string p = Path("a.zpk").string();
    ASSERT_TRUE(a.Save(p.c_str()));
    EXPECT_EQ(static_cast<fs::perms>(0666 & ~mask), fs::status(p).permissions() & fs::perms::all);
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(a.Save(nullptr));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(p).permissions() & fs::perms::all);

    // A link at the target's name is replaced by the archive; what it
    // pointed to is left alone.
    const std::string other = Put("other.txt", "other");
    fs::create_symlink(other, Path("link.zpk"));
    ASSERT_TRUE(a.Save(Path("link.zpk").c_str()));
    EXPECT_FALSE(fs::is_symlink(Path("link.zpk")));
    EXPECT_EQ("other", ReadFileText(other));
    EXPECT_EQ(static_cast<fs::perms>(0666 & ~mask),
              fs::status(Path("link.zpk")).permissions() & fs::perms::all);
}

TEST_F(SaveTest, SameCatalogueTwiceGivesTheSameUnmaskedCatalogue) {
    ProbeArchive a;
    ASSERT_TRUE(a.AddFilePath(Put("src/a.txt", Words(5000, 1)).c_str(), "./A/"));
    ASSERT_TRUE(a.AddFilePath(Put("src/b.bin", Random(3000, 2)).c_str(), "./B/"));
    std::srand(11);
    ASSERT_TRUE(a.Save(Path("one.zpk").c_str()));
    std::srand(12);
    ASSERT_TRUE(a.Save(Path("two.zpk").c_str()));
    const std::string one = ReadFileText(Path("one.zpk").string());
    const std::string two = ReadFileText(Path("two.zpk").string());
    stPackHeader h1, h2;
    EXPECT_EQ(Unmasked(one, &h1), Unmasked(two, &h2));
    EXPECT_EQ(h1.checksum, h2.checksum);
    ASSERT_NE(h1.MaskByte(), h2.MaskByte()) << "the two seeds should give other mask bytes";
    EXPECT_NE(one.substr(28, h1.catalogPackedSize), two.substr(28, h2.catalogPackedSize));
    EXPECT_EQ(one.substr(28 + h1.catalogPackedSize), two.substr(28 + h2.catalogPackedSize));
}

// The catalogue of the identity test: three archived entries, then pending
// files of every kind (empty, text over several read and output blocks,
// incompressible data, an image).
struct IdentityCase {
    unsigned threads;
    std::size_t budget;
};

class SaveIdentityTest : public SaveTest, public ::testing::WithParamInterface<IdentityCase> {
  protected:
    void Fill(CZPackedFile& a, const std::string& archive) {
        ASSERT_TRUE(a.Open(archive.c_str()));
        for (const auto& f : m_vFiles) {
            ASSERT_TRUE(a.AddFilePath(f.first.c_str(), f.second.c_str()));
        }
        const auto* image = reinterpret_cast<const unsigned char*>(m_sImage.data());
        ASSERT_TRUE(a.AddFileImage("zv-save-identity.img", image, m_sImage.size(), "./Img/"));
    }
    std::vector<std::pair<std::string, std::string>> m_vFiles;
    std::string m_sImage = Words(70000, 9);
};

TEST_P(SaveIdentityTest, BytesMatchTheTwoPassForm) {
    TestArchive t;
    t.Add("old1.txt", "./Old/", Words(20000, 4));
    t.Add("old-empty", "./Old/", "");
    t.Add("old2.bin", "./Old/Sub/", Random(9000, 5));
    const std::string archive = Save(t, "old.zpk");
    m_vFiles = {
        {Put("src/empty", ""), "./New/"},
        {Put("src/words.txt", Words(1536 * 1024 + 5, 6)), "./New/"},
        {Put("src/noise.bin", Random(700 * 1024, 7)), "./New/Bin/"},
        {Put("src/tiny", "t"), "./"},
    };
    zvtest::TwoPassArchive reference;
    Fill(reference, archive);
    ProbeArchive a;
    Fill(a, archive);
    // The image file was written again by the second Fill: give both entries
    // the same dates, as one catalogue would have.
    const unsigned long image = a.GetFileImageNum() - 1;
    *reference.Entry(image) = *a.Entry(image);

    std::srand(77);
    ASSERT_TRUE(reference.SaveTwoPass(Path("reference.zpk").c_str()));
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
    stPackSaveOptions options;
    options.nThreads = GetParam().threads;
    options.nMemoryBudget = GetParam().budget;
    options.progress = [&](std::uint64_t done, std::uint64_t total) {
        progress.emplace_back(done, total);
    };
    std::srand(77);
    ASSERT_TRUE(a.Save(Path("new.zpk").c_str(), options));

    const std::string expected = ReadFileText(Path("reference.zpk").string());
    const std::string got = ReadFileText(Path("new.zpk").string());
    ASSERT_EQ(expected.size(), got.size());
    EXPECT_TRUE(expected == got) << "archive bytes differ from the two-pass form";
    EXPECT_EQ((std::set<std::string>{"new.zpk", "old.zpk", "reference.zpk", "src"}), Listing());
    std::vector<unsigned long> bad;
    EXPECT_TRUE(a.CheckAllData(&bad)) << bad.size() << " damaged";

    std::uint64_t total = 0;
    for (const auto& f : m_vFiles) {
        total += fs::file_size(f.first);
    }
    total += m_sImage.size();
    ASSERT_FALSE(progress.empty());
    for (std::size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(total, progress[i].second);
        EXPECT_TRUE(i == 0 || progress[i - 1].first <= progress[i].first);
    }
    EXPECT_EQ(total, progress.back().first);
    fs::remove(TempDir() + "zv-save-identity.img");
}

INSTANTIATE_TEST_SUITE_P(ThreadsAndBudgets, SaveIdentityTest,
                         ::testing::Values(IdentityCase{1, 64u << 20}, IdentityCase{2, 64u << 20},
                                           IdentityCase{4, 0}, IdentityCase{3, 300u << 10}),
                         [](const auto& info) {
                             return "threads" + std::to_string(info.param.threads) + "_budget" +
                                    std::to_string(info.param.budget);
                         });

TEST_F(SaveTest, ResavingCopiesArchivedStreamsUnchanged) {
    TestArchive t;
    t.Add("a.txt", "./", Words(3000, 1));
    t.Add("b.bin", "./", Random(5000, 2));
    t.Add("c.txt", "./", Words(4000, 3));
    zvtest::Bytes bytes = t.Build();
    const stPackHeader h = t.Header();
    // Damage b.bin's stream: a copy that decompressed, recompressed or
    // checked it would change or refuse it.
    const std::size_t bAt = 28 + h.catalogPackedSize + t.records[1].nOffset + 40;
    bytes[bAt] ^= 0x5A;
    const std::string old = SaveBytes(bytes, "old.zpk");
    const std::string oldStream(
        bytes.begin() + 28 + h.catalogPackedSize + t.records[1].nOffset,
        bytes.begin() + 28 + h.catalogPackedSize + t.records[1].nOffset + t.records[1].nPackedSize);

    ProbeArchive a;
    ASSERT_TRUE(a.Open(old.c_str()));
    ASSERT_TRUE(a.AddFilePath(Put("src/d.txt", "delta").c_str(), "./"));
    const std::string out = Path("new.zpk").string();
    ASSERT_TRUE(a.Save(out.c_str()));
    ASSERT_EQ(4u, a.GetFileImageNum());
    const std::string file = ReadFileText(out);
    EXPECT_EQ(oldStream, file.substr(a.Entry(1)->nOffset, a.Entry(1)->nPackedSize));
    EXPECT_EQ(0, std::memcmp(t.records[1].digest, a.Entry(1)->digest, 16));
    EXPECT_EQ(Words(3000, 1), ReadEntry(a, 0));
    EXPECT_FALSE(a.CheckFileById(1));
    EXPECT_EQ(Words(4000, 3), ReadEntry(a, 2));
    EXPECT_EQ("delta", ReadEntry(a, 3));
}

// Saves that cannot succeed: each leaves the target, the object and the
// folder exactly as they were, and tells why.
TEST_F(SaveTest, FailedSavesChangeNothing) {
    struct Row {
        const char* name;
        // Prepares the failure on an object holding old.zpk and one pending
        // file; answers the path to save to (null: the current archive).
        std::function<const char*(const fs::path&, std::string&)> setUp;
        PackSaveFailure failure;
    };
    const Row rows[] = {
        {"missing source",
         [](const fs::path& dir, std::string&) -> const char* {
             fs::remove(dir / "src/new.txt");
             return nullptr;
         },
         PackSaveFailure::kSourceUnreadable},
        {"source became a folder",
         [](const fs::path& dir, std::string&) -> const char* {
             fs::remove(dir / "src/new.txt");
             fs::create_directories(dir / "src/new.txt");
             return nullptr;
         },
         PackSaveFailure::kSourceUnreadable},
        {"target folder missing",
         [](const fs::path& dir, std::string& p) -> const char* {
             p = (dir / "nowhere/x.zpk").string();
             return p.c_str();
         },
         PackSaveFailure::kBadTarget},
        {"a folder holds the target's name",
         [](const fs::path& dir, std::string& p) -> const char* {
             p = (dir / "src").string();
             return p.c_str();
         },
         PackSaveFailure::kBadTarget},
        {"archive cut short after opening",
         [](const fs::path& dir, std::string&) -> const char* {
             fs::resize_file(dir / "old.zpk", fs::file_size(dir / "old.zpk") - 10);
             return nullptr;
         },
         PackSaveFailure::kArchiveUnreadable},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(Path("src"));
        TestArchive t;
        t.Add("old.txt", "./", Words(2000, 1));
        const std::string old = Save(t, "old.zpk");
        const std::string src = Put("src/new.txt", "new");
        ProbeArchive a;
        ASSERT_TRUE(a.Open(old.c_str()));
        ASSERT_TRUE(a.AddFilePath(src.c_str(), "./"));
        std::string targetText;
        const char* target = row.setUp(m_dir, targetText);
        const std::string oldBytes = ReadFileText(old);
        const std::set<std::string> listing = Listing();

        stPackSaveReport report;
        stPackSaveOptions options;
        options.report = &report;
        EXPECT_FALSE(a.Save(target, options));
        EXPECT_EQ(row.failure, report.what) << zorvane::PackSaveFailureText(report.what);
        EXPECT_EQ(oldBytes, ReadFileText(old));
        EXPECT_EQ(listing, Listing());
        EXPECT_STREQ(old.c_str(), a.PackPath());
        ASSERT_EQ(2u, a.GetFileImageNum());
        EXPECT_FALSE(a.Entry(0)->IsPending());
        EXPECT_TRUE(a.Entry(1)->IsPending());
        EXPECT_EQ(src, a.GetFileImageNameById(1));
    }
}

TEST_F(SaveTest, MissingSourceIsNamedInTheReport) {
    ProbeArchive a;
    const std::string gone = Path("gone.txt").string();
    ASSERT_TRUE(a.AddFilePath(gone.c_str(), "./"));
    stPackSaveReport report;
    stPackSaveOptions options;
    options.report = &report;
    EXPECT_FALSE(a.Save(Path("a.zpk").c_str(), options));
    EXPECT_EQ(PackSaveFailure::kSourceUnreadable, report.what);
    EXPECT_EQ(kErrNotFound, report.status);
    EXPECT_EQ(gone, report.szPath);
    EXPECT_TRUE(Listing().empty());

    ProbeArchive none;  // no path given and no current archive
    EXPECT_FALSE(none.Save(nullptr, options));
    EXPECT_EQ(PackSaveFailure::kNoTarget, report.what);
}

TEST_F(SaveTest, NoticesASourceThatChangesWhileItIsStored) {
    TestArchive t;
    t.Add("old.txt", "./", "old");
    const std::string old = Save(t, "old.zpk");
    const std::string oldBytes = ReadFileText(old);
    const std::string src = Put("src/growing.txt", Words(3u << 20, 5));
    ProbeArchive a;
    ASSERT_TRUE(a.Open(old.c_str()));
    ASSERT_TRUE(a.AddFilePath(src.c_str(), "./"));

    // Another program keeps appending to the file during the whole save; the
    // save starts once the first append is in, so the writer is running.
    std::atomic<bool> stop{false};
    std::atomic<bool> appending{false};
    std::thread writer([&] {
        while (!stop) {
            std::ofstream(src, std::ios::app) << 'x';
            appending = true;
        }
    });
    while (!appending) {
        std::this_thread::yield();
    }
    stPackSaveReport report;
    stPackSaveOptions options;
    options.report = &report;
    const bool saved = a.Save(nullptr, options);
    stop = true;
    writer.join();
    EXPECT_FALSE(saved);
    EXPECT_EQ(PackSaveFailure::kSourceChanged, report.what);
    EXPECT_EQ(src, report.szPath);
    EXPECT_EQ(oldBytes, ReadFileText(old));
    EXPECT_EQ((std::set<std::string>{"old.zpk", "src"}), Listing());
}

}  // namespace
