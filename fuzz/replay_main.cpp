// The main of a harness in an ordinary build: every file of the folders named
// on the command line goes through LLVMFuzzerTestOneInput once, in name order,
// so the seed corpus and every crash input ever kept are proven by each build.
// The first folder is the corpus and must hold inputs; the others may be absent.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS [MORE-FOLDERS...]\n", argv[0]);
        return 64;
    }
    std::size_t replayed = 0;
    for (int a = 1; a < argc; ++a) {
        std::vector<fs::path> inputs;
        std::error_code absent;
        for (const auto& entry : fs::directory_iterator(argv[a], absent))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        if (a == 1 && inputs.empty()) {
            std::fprintf(stderr, "%s: the corpus %s holds no inputs\n", argv[0], argv[a]);
            return 1;
        }
        std::sort(inputs.begin(), inputs.end());
        for (const fs::path& input : inputs) {
            std::ifstream in(input, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
            // Named before it runs: a crash leaves the culprit as the last line.
            std::fprintf(stderr, "%s\n", input.c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return 0;
}
