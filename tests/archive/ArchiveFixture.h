// A scratch folder per test, with helpers to write archives into it and to
// look at what extraction left behind.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestArchive.h"
#include "archive/CZPackedFile.h"

namespace zvtest {

// Exposes the protected state of the archive class to tests.
class ProbeArchive : public zorvane::CZPackedFile {
  public:
    using CZPackedFile::Entry;
    const char* PackPath() const { return m_szPackPath; }
};

class ArchiveFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // scratch/<name>
    std::filesystem::path Path(const std::string& name) const { return m_dir / name; }
    // Writes the archive as scratch/<name> and answers its path.
    std::string Save(const TestArchive& t, const std::string& name = "a.zpk");
    std::string SaveBytes(const Bytes& bytes, const std::string& name = "a.zpk");
    // Folder for extraction, created empty: scratch/<name>/
    std::string OutDir(const std::string& name = "out");
    // Number of objects below a folder (recursively).
    static std::size_t CountBelow(const std::filesystem::path& dir);

    std::filesystem::path m_dir;
};

}  // namespace zvtest
