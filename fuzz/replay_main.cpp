// Replays fuzz inputs through the fuzz target without libFuzzer, so that the
// seed corpus and every crash ever found run as an ordinary regression test.
// Arguments are files or folders (every regular file inside, sorted).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        if (fs::is_directory(arg)) {
            for (const auto& e : fs::recursive_directory_iterator(arg)) {
                if (e.is_regular_file() && e.path().filename().string()[0] != '.') {
                    inputs.push_back(e.path());
                }
            }
        } else if (fs::exists(arg)) {
            inputs.push_back(arg);
        } else {
            std::fprintf(stderr, "replay: %s: no such file\n", argv[i]);
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& p : inputs) {
        std::ifstream f(p, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
