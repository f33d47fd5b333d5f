// Benchmark of the MD5 digest against OpenSSL's MD5.
//
// Measures md5_init + md5_append + md5_finish over one 1 MiB message and over
// 64-byte messages, and OpenSSL's MD5_Init + MD5_Update + MD5_Final (the same
// shape: a context on the stack, the hand-written x86-64 block function
// underneath) in the same run. After the runs it prints one ratio line per
// size: ours / OpenSSL throughput, from the median of the repetitions.
//
// Run: bench/md5/run.sh   (or build/bin/md5_bench [benchmark flags])
// Goal: ratio >= 0.95 on 1 MiB.

#define OPENSSL_SUPPRESS_DEPRECATED 1  // MD5_Init/Update/Final: the lowest-overhead entry

#include "md5.h"

#include <benchmark/benchmark.h>
#include <openssl/md5.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr size_t kMiB = 1 << 20;

const std::vector<unsigned char>& Input() {
    static const std::vector<unsigned char> data = [] {
        std::vector<unsigned char> v(kMiB + 64);
        std::mt19937 rng(1);
        for (auto& c : v) c = static_cast<unsigned char>(rng());
        return v;
    }();
    return data;
}

void Ours(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const unsigned char* data = Input().data();
    unsigned char digest[16];
    for (auto _ : state) {
        md5_record st;
        md5_init(&st);
        md5_append(&st, data, static_cast<int32_t>(n));
        md5_finish(&st, digest);
        benchmark::DoNotOptimize(digest);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

void OpenSsl(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const unsigned char* data = Input().data();
    unsigned char digest[16];
    for (auto _ : state) {
        MD5_CTX ctx;
        MD5_Init(&ctx);
        MD5_Update(&ctx, data, n);
        MD5_Final(digest, &ctx);
        benchmark::DoNotOptimize(digest);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

// Shows the runs as the console reporter does and keeps each benchmark's
// median throughput (or the single run's, without repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            auto it = run.counters.find("bytes_per_second");
            if (it == run.counters.end()) continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") median_[name] = it->second.value;
            } else {
                single_[name] = it->second.value;
            }
        }
    }

    // Bytes per second of a benchmark by its name, e.g. "ours/1048576".
    double Throughput(const std::string& name) const {
        for (const auto* m : {&median_, &single_}) {
            for (const auto& [key, value] : *m) {
                if (key.rfind(name, 0) == 0) return value;
            }
        }
        return 0.0;
    }

private:
    std::map<std::string, double> median_;
    std::map<std::string, double> single_;
};

}  // namespace

BENCHMARK(Ours)->Name("ours")->Arg(kMiB)->Arg(64)->Repetitions(5)->DisplayAggregatesOnly(true);
BENCHMARK(OpenSsl)->Name("openssl")->Arg(kMiB)->Arg(64)->Repetitions(5)->DisplayAggregatesOnly(true);

int main(int argc, char** argv) {
    // Defaults that the command line may override (later flags win): the
    // repetitions of the four benchmarks are interleaved in random order, so
    // that a burst of load from elsewhere on the machine does not fall on one
    // side of the comparison only.
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int args_count = static_cast<int>(args.size());
    args.push_back(nullptr);
    argv = args.data();
    argc = args_count;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    // Sanity: both sides compute the same digest of the benchmark input.
    {
        unsigned char a[16], b[16];
        md5_record st;
        md5_init(&st);
        md5_append(&st, Input().data(), static_cast<int32_t>(kMiB));
        md5_finish(&st, a);
        MD5(Input().data(), kMiB, b);
        if (std::memcmp(a, b, 16) != 0) {
            std::fprintf(stderr, "md5_bench: digests differ from OpenSSL's\n");
            return 1;
        }
    }

    RatioReporter reporter(isatty(STDOUT_FILENO)
                               ? benchmark::ConsoleReporter::OO_ColorTabular
                               : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n");
    struct Size { const char* label; std::string arg; };
    for (const Size& s : {Size{"1 MiB", std::to_string(kMiB)}, Size{"64 B", "64"}}) {
        const double ours = reporter.Throughput("ours/" + s.arg);
        const double theirs = reporter.Throughput("openssl/" + s.arg);
        if (ours <= 0 || theirs <= 0) continue;  // filtered out
        std::printf("md5 %-6s  ours %7.1f MB/s  OpenSSL %7.1f MB/s  (MB = 10^6 bytes)  ratio ours/OpenSSL %.3fx\n",
                    s.label, ours / 1e6, theirs / 1e6, ours / theirs);
    }
    return 0;
}
