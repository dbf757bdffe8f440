// Runs a fuzz entry point over saved inputs, so that a corpus replays as an ordinary test. Each
// argument is a file or a folder whose files (recursively, in name order) are run in turn.
// Fails when an argument does not exist or when there was nothing to run; a fault in the
// entry point shows as a crash or a sanitizer report naming the input printed before it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool runOne(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "running %s (%zu bytes)\n", path.c_str(), bytes.size());
    // An empty input is still an input; give the entry point a valid pointer all the same.
    static const std::uint8_t none = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t ran = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path arg(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(arg, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg, error))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                if (!runOne(file)) return 1;
                ++ran;
            }
        } else if (std::filesystem::is_regular_file(arg, error)) {
            if (!runOne(arg)) return 1;
            ++ran;
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 1;
        }
    }
    std::fprintf(stderr, "%zu inputs replayed\n", ran);
    return ran > 0 ? 0 : 1;
}
