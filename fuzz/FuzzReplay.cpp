// Runs a fuzz target over the files of the folders on its command line, as
// an ordinary test of every build: the seed corpus and every input that ever
// crashed the target. A folder that does not exist is skipped (a target may
// have no crash inputs yet); no input at all fails.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    int inputs = 0;
    for (int a = 1; a < argc; ++a) {
        std::error_code error;
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(argv[a], error)) {
            if (entry.is_regular_file())
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            // Named first, so that a crash shows which input it was.
            std::printf("%s\n", file.c_str());
            std::fflush(stdout);
            // Never a null pointer, even for an empty input, as the fuzzing
            // engine itself passes.
            uint8_t none = 0;
            LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
            ++inputs;
        }
    }
    std::printf("%d inputs\n", inputs);
    return inputs > 0 ? 0 : 1;
}
