// CRC-32 throughput of Duovue's Crc32 and of zlib's crc32 over the same buffers, in turn.
// usage: crcbench [MEGABYTES]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>
#include <zlib.h>

#include "search/crc32.h"

namespace
{

template <typename F> double bestSeconds(F &&f)
{
    double best = 1e30;
    for (int round = 0; round < 7; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t total = std::size_t(argc > 1 ? std::atoi(argv[1]) : 256) << 20;
    std::vector<unsigned char> data(total);
    std::mt19937 rng(1);
    for (auto &b : data)
        b = static_cast<unsigned char>(rng());
    std::printf("carry-less multiply path: %s\n", Duovue::Crc32::usesCarrylessMultiply() ? "yes" : "no");
    std::printf("%10s %14s %14s %8s\n", "block", "duovue GB/s", "zlib GB/s", "ratio");
    for (std::size_t block : {std::size_t(1) << 10, std::size_t(64) << 10, std::size_t(1) << 20, total}) {
        volatile std::uint32_t sink = 0;
        std::uint32_t ours = 0, theirs = 0;
        const double a = bestSeconds([&] {
            std::uint32_t x = 0;
            for (std::size_t at = 0; at + block <= total; at += block)
                x ^= Duovue::Crc32::of(data.data() + at, block);
            ours = x;
            sink = x;
        });
        const double b = bestSeconds([&] {
            std::uint32_t x = 0;
            for (std::size_t at = 0; at + block <= total; at += block)
                x ^= static_cast<std::uint32_t>(crc32(0, data.data() + at, static_cast<uInt>(block)));
            theirs = x;
            sink = x;
        });
        (void)sink;
        if (ours != theirs) {
            std::printf("MISMATCH at block %zu\n", block);
            return 1;
        }
        const double gb = double(total) / 1e9;
        std::printf("%10zu %14.2f %14.2f %8.2f\n", block, gb / a, gb / b, b / a);
    }
    return 0;
}
