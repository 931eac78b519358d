// Renders one photo-like picture of a procedural scene as a binary PPM, for the corpus of the
// similar-image benchmark. A scene is a function of continuous scene coordinates (sky, ground with
// layered noise, soft-edged shapes with gradients and textures, one subject), so a "shot" can look
// at it through any window: the same scene shifted or zoomed by a few percent, or a second shot of
// a burst with the camera moved a little, the subject moved and new sensor noise. The look-alike
// kinds (flat, dark, gradient) are made here too.
//
// usage: makephoto OUT.ppm WIDTH HEIGHT SEED [KIND] [options]
//   KIND: photo (default), flat, gradient
//   --shift DX DY   window moved by DX, DY times its size
//   --zoom Z        window made Z times smaller around its centre (Z > 1 zooms in)
//   --subject DX DY the subject moved by DX, DY in scene units
//   --exposure E    light multiplied by E (below 1: a dark picture)
//   --noise SEED    sensor noise seed (default: the scene seed)

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

std::uint32_t hash3(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    std::uint32_t h = seed * 0x9E3779B1u ^ std::uint32_t(x) * 0x85EBCA77u ^ std::uint32_t(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double lattice(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    return double(hash3(x, y, seed) & 0xFFFFFF) / double(0xFFFFFF) * 2.0 - 1.0;
}

double smooth(double t)
{
    return t * t * (3 - 2 * t);
}

double valueNoise(double x, double y, std::uint32_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx);
    const auto iy = static_cast<std::int32_t>(fy);
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double a = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * tx;
    const double b = lattice(ix, iy + 1, seed) + (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * tx;
    return a + (b - a) * ty;
}

// Fractal noise, roughly -1 to 1: octaves from @p base cycles per scene unit, each one finer.
double fbm(double x, double y, std::uint32_t seed, double base, int octaves, double gain = 0.55)
{
    double sum = 0;
    double amp = 1;
    double norm = 0;
    double f = base;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x * f, y * f, seed + std::uint32_t(o) * 101u);
        norm += amp;
        amp *= gain;
        f *= 2.03;
    }
    return sum / norm;
}

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb mix(const Rgb &a, const Rgb &b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Shape {
    enum Type { Ellipse, Box, Triangle, Ring } type;
    double cx, cy, rx, ry, angle;
    Rgb colour, colour2; // gradient across the shape
    double gradAngle;
    enum Texture { None, Stripes, Grain, Checks } texture;
    double texFreq, texAmp;
    double soft; // edge width in scene units
    std::uint32_t seed;
    double minX, maxX, minY, maxY; // bounding box

    // Signed inside measure: positive inside, in scene units near the edge.
    double inside(double x, double y) const
    {
        const double dx = x - cx;
        const double dy = y - cy;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        const double u = dx * c + dy * s;
        const double v = -dx * s + dy * c;
        switch (type) {
        case Ellipse: {
            const double q = std::sqrt((u * u) / (rx * rx) + (v * v) / (ry * ry));
            return (1 - q) * std::min(rx, ry);
        }
        case Ring: {
            const double q = std::sqrt((u * u) / (rx * rx) + (v * v) / (ry * ry));
            return (0.25 - std::abs(q - 0.7)) * std::min(rx, ry);
        }
        case Box:
            return std::min(rx - std::abs(u), ry - std::abs(v));
        case Triangle: {
            // Equilateral-ish: three half-planes.
            double m = 1e9;
            for (int k = 0; k < 3; ++k) {
                const double a = k * 2.0943951 + 1.5707963;
                m = std::min(m, rx * 0.5 - (u * std::cos(a) + v * std::sin(a) * rx / ry));
            }
            return m;
        }
        }
        return -1;
    }

    Rgb paint(double x, double y) const
    {
        const double t = 0.5
            + 0.5
                * std::clamp(
                    ((x - cx) * std::cos(gradAngle) + (y - cy) * std::sin(gradAngle)) / std::max(rx, ry), -1.0, 1.0);
        Rgb c = mix(colour, colour2, t);
        double m = 1;
        switch (texture) {
        case None:
            break;
        case Stripes:
            m += texAmp * std::sin((x * std::cos(angle + 0.7) + y * std::sin(angle + 0.7)) * texFreq);
            break;
        case Grain:
            m += texAmp * fbm(x, y, seed, texFreq, 4);
            break;
        case Checks:
            m += texAmp * ((int(std::floor(x * texFreq)) + int(std::floor(y * texFreq))) % 2 == 0 ? 1 : -1);
            break;
        }
        return {c.r * m, c.g * m, c.b * m};
    }
};

Rgb randomColour(std::mt19937 &rng)
{
    std::uniform_real_distribution<double> u(0.05, 0.95);
    return {u(rng), u(rng), u(rng)};
}

struct Scene {
    double aspect = 1.5;
    std::uint32_t seed = 1;
    Rgb skyTop, skyHorizon, ground, ground2;
    double horizon = 0.5;
    double saturation = 1;
    std::vector<Shape> shapes;
    Shape subject{};

    Scene(double a, std::uint32_t s)
        : aspect(a)
        , seed(s)
    {
        std::mt19937 rng(s);
        std::uniform_real_distribution<double> u(0, 1);
        // Most photographs are far less colourful than random colours.
        saturation = 0.25 + 0.75 * u(rng);
        skyTop = randomColour(rng);
        skyHorizon = mix(skyTop, Rgb{0.9, 0.9, 0.95}, 0.5 + 0.4 * u(rng));
        ground = randomColour(rng);
        ground2 = randomColour(rng);
        horizon = 0.25 + 0.4 * u(rng);
        const int count = 15 + int(rng() % 40);
        for (int i = 0; i < count; ++i)
            shapes.push_back(randomShape(rng, 0.02 + 0.2 * std::pow(u(rng), 2)));
        // Small things (leaves, stones, windows) give the fine detail a photograph has.
        const int small = int(rng() % 250);
        for (int i = 0; i < small; ++i)
            shapes.push_back(randomShape(rng, 0.003 + 0.015 * u(rng)));
        subject = randomShape(rng, 0.12 + 0.08 * u(rng));
        subject.cx = aspect * (0.35 + 0.3 * u(rng));
        subject.cy = 0.35 + 0.3 * u(rng);
        subject.texture = Shape::Stripes;
        subject.texAmp = 0.25;
        subject.texFreq = 120;
        bound(subject);
    }

    Shape randomShape(std::mt19937 &rng, double size)
    {
        std::uniform_real_distribution<double> u(0, 1);
        Shape s{};
        s.type = Shape::Type(rng() % 4);
        s.cx = u(rng) * aspect;
        s.cy = u(rng);
        s.rx = size * (0.5 + u(rng));
        s.ry = size * (0.5 + u(rng));
        s.angle = u(rng) * 3.14159;
        s.colour = randomColour(rng);
        s.colour2 = mix(s.colour, randomColour(rng), 0.6 * u(rng));
        s.gradAngle = u(rng) * 6.283;
        s.texture = Shape::Texture(rng() % 4);
        s.texFreq = s.texture == Shape::Grain ? 20 + 80 * u(rng) : 40 + 300 * u(rng);
        s.texAmp = 0.04 + 0.2 * u(rng);
        s.soft = 0.0004 + 0.003 * u(rng);
        s.seed = std::uint32_t(rng());
        bound(s);
        return s;
    }

    static void bound(Shape &s)
    {
        const double r = std::max(s.rx, s.ry) * 1.05 + s.soft;
        s.minX = s.cx - r;
        s.maxX = s.cx + r;
        s.minY = s.cy - r;
        s.maxY = s.cy + r;
    }

    Rgb background(double x, double y) const
    {
        const double h = horizon + 0.04 * fbm(x, 0, seed + 7, 3, 4);
        if (y < h) {
            const double t = std::clamp(y / std::max(h, 1e-3), 0.0, 1.0);
            Rgb c = mix(skyTop, skyHorizon, t);
            const double cloud = std::max(0.0, fbm(x, y * 2.5, seed + 11, 2, 6) - 0.1) * 0.8;
            return mix(c, Rgb{0.97, 0.97, 0.97}, cloud);
        }
        const double n = fbm(x, y, seed + 21, 4, 7);
        const double m = 0.5 + 0.5 * fbm(x, y, seed + 31, 1.5, 3);
        Rgb c = mix(ground, ground2, std::clamp(m, 0.0, 1.0));
        const double shade = 1 + 0.35 * n;
        const double depth = 0.6 + 0.4 * std::clamp((y - h) / std::max(1 - h, 1e-3), 0.0, 1.0);
        return {c.r * shade * depth, c.g * shade * depth, c.b * shade * depth};
    }
};

void over(Rgb &base, const Shape &s, double x, double y, double pixel)
{
    if (x < s.minX || x > s.maxX || y < s.minY || y > s.maxY)
        return;
    const double d = s.inside(x, y);
    const double edge = std::max(s.soft, pixel);
    if (d <= -edge)
        return;
    const double alpha = d >= edge ? 1.0 : 0.5 + 0.5 * d / edge;
    base = mix(base, s.paint(x, y), alpha);
}

struct Shot {
    int width = 0, height = 0;
    std::string kind = "photo";
    std::uint32_t seed = 1;
    double shiftX = 0, shiftY = 0, zoom = 1, subjectX = 0, subjectY = 0, exposure = 1;
    std::uint32_t noiseSeed = 0;
};

int toByte(double v)
{
    return std::clamp(int(std::lround(v)), 0, 255);
}

double gammaOut(double linear)
{
    return 255.0 * std::pow(std::clamp(linear, 0.0, 1.5), 1 / 1.15);
}

void renderPhoto(const Shot &shot, std::vector<unsigned char> &out)
{
    const double aspect = double(shot.width) / shot.height;
    Scene scene(aspect, shot.seed);
    scene.subject.cx += shot.subjectX;
    scene.subject.cy += shot.subjectY;
    Scene::bound(scene.subject);
    // The original looks at the middle of the scene with a margin all round, so that shifted and
    // zoomed windows stay inside it.
    const double margin = 0.08;
    double ww = aspect * (1 - 2 * margin) / shot.zoom;
    double wh = (1 - 2 * margin) / shot.zoom;
    const double cx = aspect * 0.5 + shot.shiftX * aspect * (1 - 2 * margin);
    const double cy = 0.5 + shot.shiftY * (1 - 2 * margin);
    const double x0 = cx - ww / 2;
    const double y0 = cy - wh / 2;
    const double pixel = ww / shot.width;
    std::mt19937 noise(shot.noiseSeed ? shot.noiseSeed : shot.seed * 7919u + 1);
    std::normal_distribution<double> grain(0, 1);
    const double sigma = 2.2;
    for (int py = 0; py < shot.height; ++py) {
        const double y = y0 + (py + 0.5) * wh / shot.height;
        std::vector<const Shape *> row;
        for (const Shape &s : scene.shapes) {
            if (y >= s.minY && y <= s.maxY)
                row.push_back(&s);
        }
        const bool subjectRow = y >= scene.subject.minY && y <= scene.subject.maxY;
        for (int px = 0; px < shot.width; ++px) {
            const double x = x0 + (px + 0.5) * ww / shot.width;
            Rgb c = scene.background(x, y);
            for (const Shape *s : row)
                over(c, *s, x, y, pixel);
            if (subjectRow)
                over(c, scene.subject, x, y, pixel);
            const double grey = 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
            c = mix(Rgb{grey, grey, grey}, c, scene.saturation);
            // Vignette, as lenses darken the corners.
            const double vx = (px + 0.5) / shot.width - 0.5;
            const double vy = (py + 0.5) / shot.height - 0.5;
            const double vignette = 1 - 0.35 * (vx * vx + vy * vy);
            const double e = shot.exposure * vignette;
            unsigned char *o = &out[(std::size_t(py) * shot.width + px) * 3];
            o[0] = static_cast<unsigned char>(toByte(gammaOut(c.r * e) + sigma * grain(noise)));
            o[1] = static_cast<unsigned char>(toByte(gammaOut(c.g * e) + sigma * grain(noise)));
            o[2] = static_cast<unsigned char>(toByte(gammaOut(c.b * e) + sigma * grain(noise)));
        }
    }
}

void renderFlat(const Shot &shot, std::vector<unsigned char> &out)
{
    std::mt19937 rng(shot.seed);
    const Rgb c = randomColour(rng);
    std::mt19937 noise(shot.noiseSeed ? shot.noiseSeed : shot.seed * 7919u + 1);
    std::normal_distribution<double> grain(0, 1);
    for (int py = 0; py < shot.height; ++py) {
        for (int px = 0; px < shot.width; ++px) {
            const double x = double(px) / shot.height;
            const double y = double(py) / shot.height;
            // A wall or a sky: one colour with a trace of shading.
            const double shade = 1 + 0.015 * fbm(x, y, shot.seed, 2, 3);
            unsigned char *o = &out[(std::size_t(py) * shot.width + px) * 3];
            o[0] = static_cast<unsigned char>(toByte(255 * c.r * shade * shot.exposure + 1.5 * grain(noise)));
            o[1] = static_cast<unsigned char>(toByte(255 * c.g * shade * shot.exposure + 1.5 * grain(noise)));
            o[2] = static_cast<unsigned char>(toByte(255 * c.b * shade * shot.exposure + 1.5 * grain(noise)));
        }
    }
}

void renderGradient(const Shot &shot, std::vector<unsigned char> &out)
{
    std::mt19937 rng(shot.seed);
    std::uniform_real_distribution<double> u(0, 1);
    const Rgb a = randomColour(rng);
    const Rgb b = randomColour(rng);
    const double angle = u(rng) * 6.283;
    const bool radial = rng() % 3 == 0;
    const double gamma = 0.6 + 0.9 * u(rng);
    const double rcx = u(rng), rcy = u(rng);
    std::mt19937 noise(shot.noiseSeed ? shot.noiseSeed : shot.seed * 7919u + 1);
    std::normal_distribution<double> grain(0, 1);
    for (int py = 0; py < shot.height; ++py) {
        for (int px = 0; px < shot.width; ++px) {
            const double x = (px + 0.5) / shot.width;
            const double y = (py + 0.5) / shot.height;
            double t;
            if (radial)
                t = std::hypot(x - rcx, y - rcy) / 1.2;
            else
                t = 0.5 + ((x - 0.5) * std::cos(angle) + (y - 0.5) * std::sin(angle)) / 1.42;
            t = std::pow(std::clamp(t, 0.0, 1.0), gamma);
            const Rgb c = mix(a, b, t);
            unsigned char *o = &out[(std::size_t(py) * shot.width + px) * 3];
            o[0] = static_cast<unsigned char>(toByte(255 * c.r * shot.exposure + 1.2 * grain(noise)));
            o[1] = static_cast<unsigned char>(toByte(255 * c.g * shot.exposure + 1.2 * grain(noise)));
            o[2] = static_cast<unsigned char>(toByte(255 * c.b * shot.exposure + 1.2 * grain(noise)));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s OUT.ppm WIDTH HEIGHT SEED [photo|flat|gradient] [options]\n", argv[0]);
        return 2;
    }
    Shot shot;
    const char *outPath = argv[1];
    shot.width = std::atoi(argv[2]);
    shot.height = std::atoi(argv[3]);
    shot.seed = std::uint32_t(std::strtoul(argv[4], nullptr, 10));
    for (int i = 5; i < argc; ++i) {
        const std::string a = argv[i];
        auto num = [&]() {
            return i + 1 < argc ? std::atof(argv[++i]) : 0.0;
        };
        if (a == "--shift") {
            shot.shiftX = num();
            shot.shiftY = num();
        } else if (a == "--zoom") {
            shot.zoom = num();
        } else if (a == "--subject") {
            shot.subjectX = num();
            shot.subjectY = num();
        } else if (a == "--exposure") {
            shot.exposure = num();
        } else if (a == "--noise") {
            shot.noiseSeed = std::uint32_t(num());
        } else if (a == "photo" || a == "flat" || a == "gradient") {
            shot.kind = a;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    if (shot.width < 1 || shot.height < 1 || shot.zoom <= 0) {
        std::fprintf(stderr, "bad size or zoom\n");
        return 2;
    }
    std::vector<unsigned char> pixels(std::size_t(shot.width) * shot.height * 3);
    if (shot.kind == "flat")
        renderFlat(shot, pixels);
    else if (shot.kind == "gradient")
        renderGradient(shot, pixels);
    else
        renderPhoto(shot, pixels);
    FILE *f = std::fopen(outPath, "wb");
    if (!f) {
        std::perror(outPath);
        return 1;
    }
    std::fprintf(f, "P6\n%d %d\n255\n", shot.width, shot.height);
    const bool ok = std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(outPath);
        return 1;
    }
    return 0;
}
