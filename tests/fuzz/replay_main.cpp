// Replays saved fuzzer inputs through a target's LLVMFuzzerTestOneInput, so
// that an ordinary build checks the whole corpus on every test run. Each
// argument is a directory whose files are replayed in name order. A broken
// invariant aborts inside the target; a missing directory (an exception) or
// an empty one is an error too, so that a wrong path cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize);

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(argv[i])) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const std::filesystem::path& path : files) {
        std::ifstream file(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        // A heap block of exactly the file's size: a read past the end of
        // the input is caught as it is under libFuzzer.
        const std::vector<std::uint8_t> exact(text.begin(), text.end());
        LLVMFuzzerTestOneInput(exact.data(), exact.size());
    }
    std::printf("replayed %zu inputs\n", files.size());
    return files.empty() ? 1 : 0;
}
