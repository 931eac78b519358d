// The similar method's matching step alone, on synthetic descriptors: how long findGroups takes and
// how much memory it adds, for a collection of a million pictures.
//
// The descriptors come from synthetic 28 x 28 thumbnails (a few random waves and blobs per channel,
// so that their hashes spread as photographs' do); a fifth of them are copies of another one with
// a little noise added, in groups of two to five.
//
// usage: matchbench [COUNT] [THREADS]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

#include "search/boxreducer.h"
#include "search/similardescriptor.h"
#include "search/similarmatch.h"

using namespace Duovue;

namespace
{

constexpr int Side = SimilarDescriptor::Side;

struct Picture {
    std::vector<double> rgb; // Side x Side x 3
};

Picture synthetic(std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    Picture p;
    p.rgb.assign(Side * Side * 3, 0);
    double base[3] = {40 + 170 * u(rng), 40 + 170 * u(rng), 40 + 170 * u(rng)};
    struct Wave {
        double fx, fy, phase, amp[3];
    };
    std::vector<Wave> waves;
    for (int k = 0; k < 6; ++k) {
        const double a = 50 / (1 + k) * u(rng);
        waves.push_back({u(rng) * 4, u(rng) * 4, u(rng) * 6.283, {a * u(rng), a * u(rng), a * u(rng)}});
    }
    struct Blob {
        double x, y, r, c[3];
    };
    std::vector<Blob> blobs;
    for (int k = 0; k < 5; ++k)
        blobs.push_back({u(rng), u(rng), 0.05 + 0.2 * u(rng), {255 * u(rng), 255 * u(rng), 255 * u(rng)}});
    // cos(a + b) = cos a cos b - sin a sin b: each wave is a product of a row and a column table.
    std::vector<double> cx(waves.size() * Side), sx(waves.size() * Side), cy(waves.size() * Side),
        sy(waves.size() * Side);
    for (std::size_t k = 0; k < waves.size(); ++k) {
        for (int i = 0; i < Side; ++i) {
            const double t = (i + 0.5) / Side;
            cx[k * Side + std::size_t(i)] = std::cos(6.283 * waves[k].fx * t);
            sx[k * Side + std::size_t(i)] = std::sin(6.283 * waves[k].fx * t);
            cy[k * Side + std::size_t(i)] = std::cos(6.283 * waves[k].fy * t + waves[k].phase);
            sy[k * Side + std::size_t(i)] = std::sin(6.283 * waves[k].fy * t + waves[k].phase);
        }
    }
    for (int y = 0; y < Side; ++y) {
        for (int x = 0; x < Side; ++x) {
            const double fx = (x + 0.5) / Side;
            const double fy = (y + 0.5) / Side;
            for (int c = 0; c < 3; ++c) {
                double v = base[c];
                for (std::size_t k = 0; k < waves.size(); ++k) {
                    const std::size_t i = k * Side + std::size_t(x);
                    const std::size_t j = k * Side + std::size_t(y);
                    v += waves[k].amp[c] * (cx[i] * cy[j] - sx[i] * sy[j]);
                }
                for (const Blob &b : blobs) {
                    if ((fx - b.x) * (fx - b.x) + (fy - b.y) * (fy - b.y) < b.r * b.r)
                        v = 0.3 * v + 0.7 * b.c[c];
                }
                p.rgb[std::size_t((y * Side + x) * 3 + c)] = v;
            }
        }
    }
    return p;
}

SimilarDescriptor describe(const Picture &p, std::uint64_t noiseSeed, double noise)
{
    std::mt19937_64 rng(noiseSeed);
    std::normal_distribution<double> n(0, noise);
    std::vector<unsigned char> row(Side * 3);
    BoxReducer reducer(Side);
    reducer.begin(Side, Side);
    for (int y = 0; y < Side; ++y) {
        for (int i = 0; i < Side * 3; ++i)
            row[std::size_t(i)] = static_cast<unsigned char>(
                std::clamp(std::lround(p.rgb[std::size_t(y * Side * 3 + i)] + (noise > 0 ? n(rng) : 0)), 0L, 255L));
        reducer.addRow(y, row.data(), PictureSink::PixelFormat::Rgb24);
    }
    // A 4000 x 3000 picture, as far as the aspect check knows.
    return SimilarDescriptor::fromReduction(reducer, 4000, 3000);
}

// The processor time of this thread: on a shared machine the wall time also counts the others.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long statusKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size());
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int threads = argc > 2 ? std::atoi(argv[2]) : int(std::max(1u, std::thread::hardware_concurrency()));

    // Pictures 0, 1, 2, ... are originals; every fifth one after the first is a copy of the one
    // before its run, so that runs of two to five share a picture.
    std::vector<SimilarDescriptor> descriptors(static_cast<std::size_t>(count));
    std::vector<int> source(static_cast<std::size_t>(count));
    {
        std::mt19937 rng(1);
        int current = 0;
        for (int i = 0; i < count; ++i) {
            if (i == 0 || rng() % 5 != 0 || i - current >= 4)
                current = i;
            source[std::size_t(i)] = current;
        }
    }
    std::atomic<int> next{0};
    auto work = [&] {
        for (int i; (i = next.fetch_add(256)) < count;) {
            for (int k = i; k < std::min(count, i + 256); ++k) {
                const int s = source[std::size_t(k)];
                descriptors[std::size_t(k)] =
                    describe(synthetic(std::uint64_t(s) * 7919 + 1), std::uint64_t(k), s == k ? 0 : 1.5);
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (std::thread &t : pool)
        t.join();
    const int copies = static_cast<int>(std::count_if(source.begin(), source.end(), [&, i = 0](int s) mutable {
        return s != i++;
    }));

    std::fprintf(stderr, "made %d descriptors\n", count);
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak below is the matching's own
    const long before = statusKb("VmRSS:");
    const auto started = std::chrono::steady_clock::now();
    const double cpuStarted = cpuSeconds();
    const SimilarMatch::Groups groups = SimilarMatch::findGroups(descriptors, SimilarOptions());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = cpuSeconds() - cpuStarted;
    const long peak = statusKb("VmHWM:");

    long pairs = 0;
    long wrong = 0;
    for (const std::vector<int> &g : groups.groups) {
        pairs += long(g.size()) * long(g.size() - 1) / 2;
        for (int m : g)
            wrong += source[std::size_t(m)] != source[std::size_t(g.front())];
    }
    std::printf("descriptors: %d (%d of them copies), %zu bytes each in memory (%.0f MiB), %d serialised\n",
        count,
        copies,
        sizeof(SimilarDescriptor),
        double(count) * sizeof(SimilarDescriptor) / 1048576.0,
        SimilarDescriptor::SerializedSize);
    std::printf("matching: %.2f s wall, %.2f s processor time on one thread, %.0f MiB added at the peak (%.0f bytes "
                "per picture)\n",
        seconds,
        cpu,
        double(peak - before) / 1024.0,
        double(peak - before) * 1024.0 / count);
    std::printf(
        "groups: %zu, pairs: %ld, members in a group of another picture: %ld\n", groups.groups.size(), pairs, wrong);
    return 0;
}
