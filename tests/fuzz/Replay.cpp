// The replay test: feeds every file of the given folders (saved faults and the seed corpus) to a
// fuzz target's LLVMFuzzerTestOneInput, as libFuzzer would. A fault aborts, so CTest fails and
// the last "replaying" line names the input. A folder that does not exist holds no inputs.
#include "tests/fuzz/FuzzHost.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char **argv) {
    namespace fs = std::filesystem;
    size_t count = 0;
    for (int a = 1; a < argc; ++a) {
        std::vector<fs::path> files;
        std::error_code error;
        if (fs::is_directory(argv[a], error)) {
            for (const fs::directory_entry &entry : fs::directory_iterator(argv[a])) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
        } else if (fs::is_regular_file(argv[a], error)) {
            files.emplace_back(argv[a]);
        }
        for (const fs::path &file : files) {
            std::ifstream stream(file, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                             std::istreambuf_iterator<char>()};
            std::fprintf(stderr, "replaying %s\n", file.c_str());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
    }
    std::printf("%zu inputs replayed\n", count);
    return count > 0 ? 0 : 1; // no inputs at all: the folders are wrong
}
