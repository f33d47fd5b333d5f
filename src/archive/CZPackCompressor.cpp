#include "archive/CZPackCompressor.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "md5/md5.h"

namespace zorvane {

namespace {

// Bytes of a file read and fed to zlib at once.
constexpr std::uint32_t kInputChunk = 1u << 20;
// Bytes of compressed output gathered before they are kept or spilled.
constexpr std::size_t kOutputChunk = 256u << 10;
// Bytes copied at once from the scratch file.
constexpr std::uint32_t kCopyChunk = 1u << 20;
// How often the progress callback is called.
constexpr auto kProgressPeriod = std::chrono::milliseconds(100);

// A level-9 deflate stream with the settings of compress2, freed on every
// path. Fed in pieces without flushing, deflate emits the same bytes as one
// compress2 call over the whole input.
class Deflater {
  public:
    Deflater() { m_nInit = deflateInit(&m_z, 9); }
    ~Deflater() {
        if (m_nInit == Z_OK) {
            deflateEnd(&m_z);
        }
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    bool Ready() const { return m_nInit == Z_OK; }
    int InitStatus() const { return m_nInit; }
    z_stream& Z() { return m_z; }

  private:
    z_stream m_z{};
    int m_nInit = Z_STREAM_ERROR;
};

}  // namespace

CZPackCompressor::CZPackCompressor(const stPackSaveOptions& options) : m_Options(options) {}

CZPackCompressor::~CZPackCompressor() {
    m_bFailed = true;
    WaitForWorkers();
}

void CZPackCompressor::AddSource(const char* path) {
    auto source = std::make_unique<stSource>();
    source->path = path;
    m_vSources.push_back(std::move(source));
}

bool CZPackCompressor::Run(const FSRef& spillFolder, const char* spillName) {
    m_pSpillFolder = &spillFolder;
    m_sSpillName = spillName;
    if (m_vSources.empty()) {
        return true;
    }
    // Measuring is many small file-system calls: it is shared out as well.
    RunStep(&CZPackCompressor::Measure, false);
    if (m_bFailed) {
        return false;
    }
    m_vOrder.resize(m_vSources.size());
    for (std::size_t i = 0; i < m_vOrder.size(); ++i) {
        m_vOrder[i] = i;
        m_nTotal += m_vSources[i]->measured.nSize;
    }
    std::stable_sort(m_vOrder.begin(), m_vOrder.end(), [this](std::size_t a, std::size_t b) {
        return m_vSources[a]->measured.nSize > m_vSources[b]->measured.nSize;
    });
    RunStep(&CZPackCompressor::Compress, true);
    if (!m_bFailed) {
        Report();
    }
    return !m_bFailed;
}

void CZPackCompressor::RunStep(Step step, bool largestFirst) {
    m_nNext = 0;
    m_bReporting = largestFirst;
    StartWorkers(step, largestFirst);
    if (m_vThreads.empty()) {
        Work(step, largestFirst);  // no thread could be started: this one does the work
    }
    WaitForWorkers();
}

CZPackCompressor::stOutcome CZPackCompressor::Measure(stSource& s) {
    const OSErr err = CZPackSourceFile::Measure(s.path.c_str(), &s.measured);
    if (err != kNoErr) {
        return {PackSaveFailure::kSourceUnreadable, err};
    }
    if (s.measured.nSize > UINT32_MAX) {
        return {PackSaveFailure::kSourceTooLarge, 0};
    }
    return {};
}

void CZPackCompressor::StartWorkers(Step step, bool largestFirst) {
    unsigned threads = m_Options.nThreads;
    if (threads == 0) {
        threads = std::max(1u, std::thread::hardware_concurrency());
    }
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, m_vSources.size()));
    for (unsigned t = 0; t < threads; ++t) {
        try {
            {
                std::lock_guard<std::mutex> lock(m_Mutex);
                ++m_nRunning;
            }
            m_vThreads.emplace_back([this, step, largestFirst] {
                Work(step, largestFirst);
                std::lock_guard<std::mutex> lock(m_Mutex);
                --m_nRunning;
                m_Finished.notify_all();
            });
        } catch (const std::exception&) {
            // Fewer threads than asked for: those that started do the work.
            std::lock_guard<std::mutex> lock(m_Mutex);
            --m_nRunning;
            break;
        }
    }
}

void CZPackCompressor::WaitForWorkers() {
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        while (m_nRunning > 0) {
            m_Finished.wait_for(lock, kProgressPeriod);
            if (m_nRunning > 0 && m_bReporting) {
                lock.unlock();
                Report();
                lock.lock();
            }
        }
    }
    for (std::thread& t : m_vThreads) {
        t.join();
    }
    m_vThreads.clear();
}

void CZPackCompressor::Report() {
    if (m_Options.progress) {
        m_Options.progress(m_nDone.load(), m_nTotal);
    }
}

void CZPackCompressor::Work(Step step, bool largestFirst) {
    while (!m_bFailed) {
        const std::size_t k = m_nNext++;
        if (k >= m_vSources.size()) {
            return;
        }
        stSource& source = *m_vSources[largestFirst ? m_vOrder[k] : k];
        stOutcome outcome;
        try {
            outcome = (this->*step)(source);
        } catch (const std::bad_alloc&) {
            outcome = {PackSaveFailure::kNoMemory, kErrNoMemory};
        }
        if (outcome.what != PackSaveFailure::kNone) {
            Fail(outcome, source.path);
        }
    }
}

CZPackCompressor::stOutcome CZPackCompressor::Compress(stSource& s) {
    CZPackSourceFile file;
    OSErr err = file.Open(s.path.c_str(), false);
    if (err != kNoErr) {
        return {PackSaveFailure::kSourceUnreadable, err};
    }
    Deflater deflater;
    if (!deflater.Ready()) {
        return {deflater.InitStatus() == Z_MEM_ERROR ? PackSaveFailure::kNoMemory
                                                     : PackSaveFailure::kCompressFailed,
                0};
    }
    z_stream& z = deflater.Z();
    md5_record md5;
    md5_init(&md5);
    const std::uint64_t size = s.measured.nSize;
    std::vector<unsigned char> in(std::min<std::uint64_t>(size, kInputChunk));
    std::vector<unsigned char> out(std::min<std::size_t>(kOutputChunk, deflateBound(&z, size)));
    std::size_t used = 0;
    std::uint64_t packed = 0;
    std::uint64_t offset = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (m_bFailed) {
            return {};  // another file failed; the run is over
        }
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(size - offset, in.size()));
        std::uint32_t got = 0;
        err = n ? file.Read(offset, in.data(), n, &got) : kNoErr;
        if (err == kErrEOF || got != n) {
            return {PackSaveFailure::kSourceChanged, 0};  // shorter than measured
        }
        if (err != kNoErr) {
            return {PackSaveFailure::kSourceUnreadable, err};
        }
        offset += n;
        m_nDone += n;
        z.next_in = in.data();
        z.avail_in = n;
        const int flush = offset == size ? Z_FINISH : Z_NO_FLUSH;
        do {
            if (used == out.size()) {
                md5_append(&md5, out.data(), static_cast<std::int32_t>(used));
                packed += used;
                const stOutcome kept = Keep(s, out);
                if (kept.what != PackSaveFailure::kNone) {
                    return kept;
                }
                out.assign(kOutputChunk, 0);
                used = 0;
            }
            z.next_out = out.data() + used;
            z.avail_out = static_cast<uInt>(out.size() - used);
            rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR) {
                return {PackSaveFailure::kCompressFailed, 0};
            }
            used = out.size() - z.avail_out;
        } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    }
    out.resize(used);
    out.shrink_to_fit();
    md5_append(&md5, out.data(), static_cast<std::int32_t>(used));
    packed += used;
    if (packed > UINT32_MAX) {
        return {PackSaveFailure::kArchiveTooLarge, 0};
    }
    const stOutcome kept = Keep(s, out);
    if (kept.what != PackSaveFailure::kNone) {
        return kept;
    }
    const stOutcome unchanged = CheckUnchanged(s, file);
    if (unchanged.what != PackSaveFailure::kNone) {
        return unchanged;
    }
    s.stream.nSize = static_cast<std::uint32_t>(size);
    s.stream.nPackedSize = static_cast<std::uint32_t>(packed);
    md5_finish(&md5, s.stream.digest);
    return {};
}

CZPackCompressor::stOutcome CZPackCompressor::CheckUnchanged(const stSource& s,
                                                             CZPackSourceFile& file) {
    // Nothing may follow the measured end...
    unsigned char probe = 0;
    std::uint32_t got = 0;
    const OSErr err = file.Read(s.measured.nSize, &probe, 1, &got);
    if (err == kNoErr || got != 0) {
        return {PackSaveFailure::kSourceChanged, 0};
    }
    if (err != kErrEOF) {
        return {PackSaveFailure::kSourceUnreadable, err};
    }
    file.Close();
    // ...and the file at the path must still be the one measured, unwritten.
    CZPackSourceFile::stSnapshot after;
    if (CZPackSourceFile::Measure(s.path.c_str(), &after) != kNoErr || !(after == s.measured)) {
        return {PackSaveFailure::kSourceChanged, 0};
    }
    return {};
}

CZPackCompressor::stOutcome CZPackCompressor::Keep(stSource& s, std::vector<unsigned char>& chunk) {
    stSegment segment;
    segment.nSize = static_cast<std::uint32_t>(chunk.size());
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_nInMemory + chunk.size() <= m_Options.nMemoryBudget) {
        s.segments.reserve(s.segments.size() + 1);  // may throw before anything moves
        m_nInMemory += chunk.size();
        segment.bytes = std::move(chunk);
        s.segments.push_back(std::move(segment));
        chunk.clear();
        return {};
    }
    if (!m_pSpill) {
        auto spill = std::make_unique<CZPackWorkFile>();
        OSErr err = spill->Create(*m_pSpillFolder, m_sSpillName.c_str());
        if (err != kNoErr) {
            return {PackSaveFailure::kCreateFailed, err};
        }
        err = spill->Unlink();
        if (err != kNoErr) {
            return {PackSaveFailure::kCreateFailed, err};
        }
        m_pSpill = std::move(spill);
    }
    const OSErr err = m_pSpill->Write(m_nSpillEnd, chunk.data(), segment.nSize);
    if (err != kNoErr) {
        return {PackSaveFailure::kWriteFailed, err};
    }
    segment.bSpilled = true;
    segment.nSpillOffset = m_nSpillEnd;
    m_nSpillEnd += segment.nSize;
    s.segments.push_back(std::move(segment));
    chunk.clear();
    return {};
}

void CZPackCompressor::Fail(const stOutcome& outcome, const std::string& path) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_nFailure == PackSaveFailure::kNone) {
        m_nFailure = outcome.what;
        m_nFailureStatus = outcome.status;
        try {
            m_sFailurePath = path;
        } catch (const std::bad_alloc&) {
            // The reason stands without the path.
        }
    }
    m_bFailed = true;
}

OSErr CZPackCompressor::WriteStream(std::size_t index, CZPackWorkFile& out, std::uint64_t offset) {
    stSource& s = *m_vSources[index];
    std::vector<unsigned char> copy;
    for (stSegment& segment : s.segments) {
        if (!segment.bSpilled) {
            const OSErr err = out.Write(offset, segment.bytes.data(), segment.nSize);
            if (err != kNoErr) {
                return err;
            }
            std::vector<unsigned char>().swap(segment.bytes);
            offset += segment.nSize;
            continue;
        }
        copy.resize(std::min(kCopyChunk, segment.nSize));
        for (std::uint32_t done = 0; done < segment.nSize;) {
            const std::uint32_t n = std::min<std::uint32_t>(kCopyChunk, segment.nSize - done);
            OSErr err = m_pSpill->Read(segment.nSpillOffset + done, copy.data(), n);
            if (err == kNoErr) {
                err = out.Write(offset, copy.data(), n);
            }
            if (err != kNoErr) {
                return err;
            }
            done += n;
            offset += n;
        }
    }
    return kNoErr;
}

}  // namespace zorvane
