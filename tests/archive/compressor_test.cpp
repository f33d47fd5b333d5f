// Tests of CZPackCompressor: each stream is exactly what one compress2 call
// at level 9 gives (around the read and output block sizes, in memory and
// spilled), its digest and sizes are right, and failures name the file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ArchiveFixture.h"
#include "archive/CZPackCompressor.h"
#include "archive/CZPackWorkFile.h"
#include "platform/files.h"

namespace fs = std::filesystem;
using zorvane::CZPackCompressor;
using zorvane::CZPackWorkFile;
using zorvane::PackSaveFailure;
using zorvane::stPackSaveOptions;
using zvtest::Deflate;
using zvtest::Md5Of;
using zvtest::ReadFileText;

namespace {

// Half text, half noise: output blocks fill at a steady pace.
std::string Mixed(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        s[i] = (i / 4096) % 2 ? static_cast<char>(gen()) : "zorvane packed\n"[i % 15];
    }
    return s;
}

class CompressorTest : public zvtest::ArchiveFixture {
  protected:
    FSRef Folder() const {
        FSRef ref;
        EXPECT_EQ(kNoErr, FSPathMakeRef(m_dir.c_str(), &ref, nullptr));
        return ref;
    }
    std::string Put(const std::string& name, const std::string& data) {
        const fs::path p = Path(name);
        std::ofstream(p, std::ios::binary) << data;
        return p.string();
    }
    std::size_t CountFiles() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }
};

TEST_F(CompressorTest, StreamsEqualOneCompress2Call) {
    constexpr std::size_t kMiB = 1u << 20;
    const std::vector<std::string> data = {
        "",
        "x",
        Mixed(kMiB - 1, 1),
        Mixed(kMiB, 2),
        Mixed(kMiB + 1, 3),
        Mixed(3 * kMiB + 5, 4),
        std::string(2 * kMiB, 'z'),  // long runs: tiny stream
    };
    const struct {
        unsigned threads;
        std::size_t budget;
    } runs[] = {{1, 64u << 20}, {3, 0}, {2, 700u << 10}};
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < data.size(); ++i) {
        paths.push_back(Put("in" + std::to_string(i), data[i]));
    }
    for (const auto& run : runs) {
        SCOPED_TRACE(std::to_string(run.threads) + " threads, budget " +
                     std::to_string(run.budget));
        stPackSaveOptions options;
        options.nThreads = run.threads;
        options.nMemoryBudget = run.budget;
        const FSRef folder = Folder();
        const std::size_t filesBefore = CountFiles();
        {
            CZPackCompressor c(options);
            for (const auto& p : paths) {
                c.AddSource(p.c_str());
            }
            ASSERT_TRUE(c.Run(folder, "spill")) << zorvane::PackSaveFailureText(c.Failure());
            EXPECT_EQ(filesBefore, CountFiles()) << "the scratch file has no name";
            CZPackWorkFile out;
            ASSERT_EQ(kNoErr, out.Create(folder, "out"));
            std::uint64_t at = 0;
            std::vector<std::uint64_t> starts;
            for (std::size_t i = 0; i < data.size(); ++i) {
                starts.push_back(at);
                ASSERT_EQ(kNoErr, c.WriteStream(i, out, at));
                at += c.Stream(i).nPackedSize;
            }
            FSRef placed;
            ASSERT_EQ(kNoErr, out.PlaceAs("out", &placed));
            const std::string all = ReadFileText(Path("out").string());
            ASSERT_EQ(at, all.size());
            for (std::size_t i = 0; i < data.size(); ++i) {
                const std::string expected = Deflate(data[i]);
                const CZPackCompressor::stStream& s = c.Stream(i);
                EXPECT_EQ(data[i].size(), s.nSize) << i;
                ASSERT_EQ(expected.size(), s.nPackedSize) << i;
                EXPECT_TRUE(expected == all.substr(starts[i], s.nPackedSize)) << i;
                EXPECT_EQ(0, std::memcmp(Md5Of(expected).data(), s.digest, 16)) << i;
            }
        }
        fs::remove(Path("out"));
        EXPECT_EQ(filesBefore, CountFiles());
    }
}

TEST_F(CompressorTest, FailuresNameTheFile) {
    const std::string good = Put("good", Mixed(300000, 5));
    fs::create_directories(Path("folder"));
    const struct {
        std::string path;
        PackSaveFailure failure;
    } rows[] = {
        {Path("missing").string(), PackSaveFailure::kSourceUnreadable},
        {Path("folder").string(), PackSaveFailure::kSourceUnreadable},
    };
    for (const auto& row : rows) {
        stPackSaveOptions options;
        options.nThreads = 2;
        CZPackCompressor c(options);
        c.AddSource(good.c_str());
        c.AddSource(row.path.c_str());
        EXPECT_FALSE(c.Run(Folder(), "spill"));
        EXPECT_EQ(row.failure, c.Failure()) << row.path;
        EXPECT_EQ(row.path, c.FailurePath());
    }
}

TEST_F(CompressorTest, NothingToCompressSucceeds) {
    CZPackCompressor c(stPackSaveOptions{});
    EXPECT_TRUE(c.Run(Folder(), "spill"));
    EXPECT_EQ(0u, c.SourceCount());
}

}  // namespace
