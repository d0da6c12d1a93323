// Runs a harness over stored inputs without the fuzzing engine: every file
// named, or every file in the folders named, once, in name order. The ctest
// runs of the committed corpus and regression inputs use it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void collect(const std::filesystem::path& where, std::vector<std::filesystem::path>& files)
{
    if (std::filesystem::is_directory(where)) {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(where))
            if (entry.is_regular_file())
                found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    } else if (std::filesystem::is_regular_file(where)) {
        files.push_back(where);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i)
        collect(argv[i], files);
    if (files.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        // A copy of exactly the input's size, so ASan sees any read past it.
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        auto* data = bytes.empty() ? nullptr : bytes.data();
        LLVMFuzzerTestOneInput(data, bytes.size());
    }
    std::printf("replayed %zu inputs\n", files.size());
    return 0;
}
