// Replays inputs through a fuzz target's entry point without libFuzzer, so
// the ordinary builds run every input that ever crashed: each argument is a
// file, or a folder whose files are all replayed in name order.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

int main(int argc, char **argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> listed = {argv[i]};
        if (std::filesystem::is_directory(argv[i])) {
            listed.clear();
            for (const auto &entry : std::filesystem::directory_iterator(argv[i]))
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                    listed.push_back(entry.path());
            std::sort(listed.begin(), listed.end());
        }
        files.insert(files.end(), listed.begin(), listed.end());
    }
    bool ok = true;
    for (const auto &file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            ok = false;
            continue;
        }
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::fprintf(stderr, "replayed %zu inputs\n", files.size());
    return ok ? 0 : 1;
}
