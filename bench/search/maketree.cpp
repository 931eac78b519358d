// Writes a large tree for the hash method: FILES files spread evenly over FOLDERS folders, sizes
// drawn uniformly from 1 to 60 KiB (so most sizes are shared by chance), random content, a tenth of
// the files byte copies of others in other folders, and one in a hundred a same-size copy that
// differs only late in the file (the first blocks agree, the whole files do not).
//
// usage: maketree OUTPUT_FOLDER [FILES] [FOLDERS] [SEED]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

namespace
{

void writeFile(const std::filesystem::path &path, const std::vector<unsigned char> &data)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size() || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [FILES] [FOLDERS] [SEED]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int folders = argc > 3 ? std::atoi(argv[3]) : 500;
    const unsigned seed = argc > 4 ? unsigned(std::atoi(argv[4])) : 1;
    if (files < 1 || folders < 1) {
        std::fprintf(stderr, "FILES and FOLDERS must be positive\n");
        return 2;
    }
    for (int d = 0; d < folders; ++d) {
        char name[32];
        std::snprintf(name, sizeof name, "f%d", d);
        std::filesystem::create_directories(out / name);
    }

    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<std::size_t> sizes(1024, 60 * 1024);
    std::vector<std::size_t> originals; // indices of files written with fresh content
    std::vector<std::uint64_t> contentSeed(std::size_t(files), 0);
    std::vector<std::size_t> contentSize(std::size_t(files), 0);
    std::vector<unsigned char> data;
    std::uint64_t total = 0;
    for (int i = 0; i < files; ++i) {
        const int kind = int(rng() % 100); // 0-9 byte copy, 10 late-differing copy, else fresh
        std::size_t size = sizes(rng);
        std::uint64_t contentOf = rng();
        std::size_t flip = 0; // 1-based position of the changed byte, 0 for none
        if (kind <= 10 && !originals.empty()) {
            const std::size_t source = originals[rng() % originals.size()];
            size = contentSize[source];
            contentOf = contentSeed[source];
            if (kind == 10)
                flip = size / 2 + rng() % (size - size / 2);
        } else {
            originals.push_back(std::size_t(i));
        }
        contentSeed[std::size_t(i)] = contentOf;
        contentSize[std::size_t(i)] = size;

        data.resize(size);
        std::mt19937_64 content(contentOf);
        for (std::size_t at = 0; at < size; at += 8) {
            const std::uint64_t word = content();
            for (std::size_t b = 0; b < 8 && at + b < size; ++b)
                data[at + b] = static_cast<unsigned char>(word >> (8 * b));
        }
        if (flip > 0)
            data[flip - 1] ^= 0x5A;
        char name[64];
        std::snprintf(name, sizeof name, "f%d/p%06d.jpg", i % folders, i);
        writeFile(out / name, data);
        total += size;
    }
    std::fprintf(stderr, "%d files, %llu bytes\n", files, static_cast<unsigned long long>(total));
    return 0;
}
