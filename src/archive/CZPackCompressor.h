// Compresses the files of an archive's pending entries for CZPackedFile::Save:
// every file is read once, compressed into a level-9 zlib stream and digested
// with MD5 as the stream is made, on one thread per core. The streams are the
// very bytes a single compress2 call at level 9 gives for each file.
//
// Compressed data is kept in memory up to a budget; what goes beyond it is
// written to a scratch file made beside the archive, whose name is removed at
// once so that nothing is left behind. A file that changes while it is being
// read (its size, identity or change dates differ from its measurement, or it
// holds more or fewer bytes) fails the run.
//
//   CZPackCompressor c(options);
//   c.AddSource("/data/a.txt");
//   if (c.Run(folderRef, "zrpk-tmp-0123456789-spill"))
//       c.WriteStream(0, archiveFile, offset);   // in catalogue order
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/CZPackSourceFile.h"
#include "archive/CZPackWorkFile.h"
#include "archive/stPackSaveOptions.h"
#include "platform/types.h"

namespace zorvane {

class CZPackCompressor {
  public:
    // What Run found out about one file.
    struct stStream {
        std::uint32_t nSize = 0;        // bytes of the file
        std::uint32_t nPackedSize = 0;  // bytes of its stream
        unsigned char digest[16] = {};  // MD5 of the stream
    };

    explicit CZPackCompressor(const stPackSaveOptions& options);
    ~CZPackCompressor();
    CZPackCompressor(const CZPackCompressor&) = delete;
    CZPackCompressor& operator=(const CZPackCompressor&) = delete;

    // Adds a file (its path as it stands); sources are numbered from 0 in the
    // order they are added. May throw std::bad_alloc.
    void AddSource(const char* path);
    std::size_t SourceCount() const { return m_vSources.size(); }

    // Measures every source, then compresses them all, the largest first.
    // Progress is reported on the calling thread. spillName names the
    // scratch file in spillFolder, made only when the budget is exceeded.
    // False at the first failure, which Failure() tells.
    bool Run(const FSRef& spillFolder, const char* spillName);

    const stStream& Stream(std::size_t index) const { return m_vSources[index]->stream; }

    // Writes source index's stream into out at offset, then frees the memory
    // it held. Call after a successful Run.
    OSErr WriteStream(std::size_t index, CZPackWorkFile& out, std::uint64_t offset);

    PackSaveFailure Failure() const { return m_nFailure; }
    OSErr FailureStatus() const { return m_nFailureStatus; }
    const std::string& FailurePath() const { return m_sFailurePath; }

  private:
    struct stSegment {
        std::vector<unsigned char> bytes;  // in memory, or empty when spilled
        std::uint64_t nSpillOffset = 0;
        std::uint32_t nSize = 0;
        bool bSpilled = false;
    };
    struct stSource {
        std::string path;
        CZPackSourceFile::stSnapshot measured;
        stStream stream;
        std::vector<stSegment> segments;
    };
    struct stOutcome {
        PackSaveFailure what = PackSaveFailure::kNone;
        OSErr status = 0;
    };

    // One step applied to every source, on all threads.
    using Step = stOutcome (CZPackCompressor::*)(stSource&);
    void RunStep(Step step, bool largestFirst);
    void StartWorkers(Step step, bool largestFirst);
    void WaitForWorkers();
    void Work(Step step, bool largestFirst);
    stOutcome Measure(stSource& source);
    stOutcome Compress(stSource& source);
    stOutcome CheckUnchanged(const stSource& source, CZPackSourceFile& file);
    stOutcome Keep(stSource& source, std::vector<unsigned char>& chunk);
    void Fail(const stOutcome& outcome, const std::string& path);
    void Report();

    stPackSaveOptions m_Options;
    std::vector<std::unique_ptr<stSource>> m_vSources;
    std::vector<std::size_t> m_vOrder;  // sources by size, largest first
    std::uint64_t m_nTotal = 0;

    std::atomic<std::size_t> m_nNext{0};
    std::atomic<std::uint64_t> m_nDone{0};
    std::atomic<bool> m_bFailed{false};

    std::mutex m_Mutex;  // guards everything below
    std::condition_variable m_Finished;
    unsigned m_nRunning = 0;
    bool m_bReporting = false;  // progress is reported while compressing
    std::size_t m_nInMemory = 0;
    const FSRef* m_pSpillFolder = nullptr;
    std::string m_sSpillName;
    std::unique_ptr<CZPackWorkFile> m_pSpill;
    std::uint64_t m_nSpillEnd = 0;
    PackSaveFailure m_nFailure = PackSaveFailure::kNone;
    OSErr m_nFailureStatus = 0;
    std::string m_sFailurePath;

    std::vector<std::thread> m_vThreads;
};

}  // namespace zorvane
