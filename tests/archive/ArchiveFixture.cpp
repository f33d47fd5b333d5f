#include "ArchiveFixture.h"

#include "platform/fault_injection.h"

namespace fs = std::filesystem;

namespace zvtest {

void ArchiveFixture::SetUp() {
    const char* bin = std::getenv("ZV_BINARY_DIR");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    m_dir = fs::path(bin ? bin : fs::temp_directory_path().string()) / "archive-scratch" / name;
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
}

void ArchiveFixture::TearDown() {
    FaultInjection::Reset();
    if (!HasFailure()) {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
}

std::string ArchiveFixture::Save(const TestArchive& t, const std::string& name) {
    return SaveBytes(t.Build(), name);
}

std::string ArchiveFixture::SaveBytes(const Bytes& bytes, const std::string& name) {
    const std::string p = Path(name).string();
    EXPECT_TRUE(WriteFileBytes(p, bytes));
    return p;
}

std::string ArchiveFixture::OutDir(const std::string& name) {
    const fs::path p = m_dir / name;
    fs::remove_all(p);
    fs::create_directories(p);
    return p.string() + "/";
}

std::size_t ArchiveFixture::CountBelow(const fs::path& dir) {
    std::size_t n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         it != fs::recursive_directory_iterator(); ++it) {
        ++n;
    }
    return n;
}

}  // namespace zvtest
