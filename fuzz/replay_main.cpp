// The main of a harness in an ordinary build: every file of the folders named
// on the command line goes through LLVMFuzzerTestOneInput once, in name order,
// so each build proves the seed corpus (the first folder, which must hold
// inputs) and every crash input ever kept (the others, which may be absent).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int a = 1; a < argc; ++a) {
        std::set<std::filesystem::path> inputs;
        std::error_code absent;
        for (const auto& entry : std::filesystem::directory_iterator(argv[a], absent))
            if (entry.is_regular_file()) inputs.insert(entry.path());
        for (const auto& input : inputs) {
            std::ifstream in(input, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), {});
            std::fprintf(stderr, "%s\n", input.c_str());  // a crash leaves the culprit last
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        }
        if (a == 1 && inputs.empty()) break;
        replayed += inputs.size();
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed == 0;  // no corpus named, or an empty one
}
