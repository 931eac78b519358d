// Writes a benchmark corpus for the similar-image search: JPEGs of 2 to 12 megapixels, baseline
// and progressive, with byte copies and re-encoded copies, spread over subfolders. Pixels are made
// row by row while encoding, so the generator itself needs no full-size buffer.
//
// usage: makecorpus OUTPUT_FOLDER [COUNT] [SEED]

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace
{

struct Picture {
    int width;
    int height;
    unsigned seed;
};

// A coarse random grid of colours, smoothly interpolated, plus grain: every picture has its own
// layout of light and dark (so their thumbnails differ, as photographs' do) and decodes like a
// photograph rather than a flat test card.
class Painter
{
public:
    static constexpr int Grid = 7;

    explicit Painter(const Picture &p)
        : m_p(p)
        , m_noise(p.seed)
    {
        std::mt19937 rng(p.seed);
        for (auto &cell : m_grid) {
            for (int c = 0; c < 3; ++c)
                cell[c] = int(rng() % 256);
        }
    }

    void row(int y, std::vector<unsigned char> &out)
    {
        const double gy = double(y) * (Grid - 1) / std::max(1, m_p.height - 1);
        const int y0 = std::min(int(gy), Grid - 2);
        const double ty = gy - y0;
        for (int x = 0; x < m_p.width; ++x) {
            const double gx = double(x) * (Grid - 1) / std::max(1, m_p.width - 1);
            const int x0 = std::min(int(gx), Grid - 2);
            const double tx = gx - x0;
            m_noise = m_noise * 1664525u + 1013904223u;
            const int grain = int((m_noise >> 24) & 63) - 32;
            for (int c = 0; c < 3; ++c) {
                const double top = cell(x0, y0)[c] * (1 - tx) + cell(x0 + 1, y0)[c] * tx;
                const double bottom = cell(x0, y0 + 1)[c] * (1 - tx) + cell(x0 + 1, y0 + 1)[c] * tx;
                out[std::size_t(3 * x + c)] =
                    static_cast<unsigned char>(std::clamp(int(top * (1 - ty) + bottom * ty) + grain, 0, 255));
            }
        }
    }

private:
    const int *cell(int x, int y) const { return m_grid[std::size_t(y * Grid + x)].data(); }

    Picture m_p;
    std::uint32_t m_noise;
    std::array<std::array<int, 3>, Grid * Grid> m_grid{};
};

std::vector<unsigned char> encode(const Picture &p, int quality, bool progressive)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(p.width);
    cinfo.image_height = static_cast<JDIMENSION>(p.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(std::size_t(p.width) * 3);
    Painter painter(p);
    while (cinfo.next_scanline < cinfo.image_height) {
        painter.row(static_cast<int>(cinfo.next_scanline), row);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<unsigned char> out(buffer, buffer + size);
    free(buffer);
    jpeg_destroy_compress(&cinfo);
    return out;
}

void writeFile(const std::filesystem::path &path, const std::vector<unsigned char> &data)
{
    std::filesystem::create_directories(path.parent_path());
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [COUNT] [SEED]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const int count = argc > 2 ? std::atoi(argv[2]) : 1000;
    const unsigned seed = argc > 3 ? unsigned(std::atoi(argv[3])) : 1;
    std::atomic<int> next{0};
    auto worker = [&] {
        for (int i; (i = next.fetch_add(1)) < count;) {
            std::mt19937 rng(seed * 100003u + unsigned(i));
            const double megapixels = 2.0 + (rng() % 1001) / 100.0; // 2 to 12
            static const double aspects[] = {4.0 / 3, 3.0 / 2, 16.0 / 9, 3.0 / 4, 2.0 / 3, 1.0};
            const double aspect = aspects[rng() % 6];
            const int width = int(std::sqrt(megapixels * 1e6 * aspect));
            const int height = int(megapixels * 1e6 / width);
            const Picture p{width, height, static_cast<unsigned>(rng())};
            const bool progressive = i % 3 == 0;
            const int quality = 80 + int(rng() % 16);
            const std::vector<unsigned char> data = encode(p, quality, progressive);
            char name[64];
            std::snprintf(name, sizeof name, "d%02d/img%04d.jpg", i % 20, i);
            writeFile(out / name, data);
            if (i % 15 == 7) { // byte copy elsewhere
                std::snprintf(name, sizeof name, "copies/d%02d/img%04d-copy.jpg", i % 5, i);
                writeFile(out / name, data);
            }
            if (i % 10 == 3) { // the same picture encoded again, other quality and scan mode
                std::snprintf(name, sizeof name, "reencoded/img%04d-q%d.jpg", i, quality - 15);
                writeFile(out / name, encode(p, quality - 15, !progressive));
            }
            std::fprintf(stderr, "\r%d/%d", i + 1, count);
        }
    };
    std::vector<std::thread> threads;
    const unsigned n = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned t = 0; t < n; ++t)
        threads.emplace_back(worker);
    for (auto &t : threads)
        t.join();
    std::fprintf(stderr, "\n");
    return 0;
}
