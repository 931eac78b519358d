#include "photopair.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <QRandomGenerator>

namespace Duovue::Bench
{

namespace
{

// A ridge line by midpoint displacement: @p count + 1 heights in about -1..1.
std::vector<double> ridge(int count, double roughness, QRandomGenerator &rng)
{
    std::vector<double> h(std::size_t(count) + 1, 0.0);
    h.front() = rng.bounded(2.0) - 1.0;
    h.back() = rng.bounded(2.0) - 1.0;
    double spread = 1.0;
    for (int step = count; step > 1; step /= 2) {
        for (int i = step / 2; i < count; i += step)
            h[std::size_t(i)] =
                (h[std::size_t(i - step / 2)] + h[std::size_t(i + step / 2)]) / 2 + (rng.bounded(2.0) - 1.0) * spread;
        spread *= roughness;
    }
    return h;
}

void drawRange(
    QPainter &p, QSizeF size, double base, double amplitude, QColor top, QColor bottom, QRandomGenerator &rng)
{
    const std::vector<double> h = ridge(1024, 0.55, rng);
    QPainterPath path(QPointF(0, size.height()));
    for (std::size_t i = 0; i < h.size(); ++i)
        path.lineTo(size.width() * double(i) / 1024.0, base - amplitude * (0.5 + 0.5 * h[i]));
    path.lineTo(size.width(), size.height());
    path.closeSubpath();
    QLinearGradient fill(0, base - amplitude, 0, base);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.fillPath(path, fill);
}

void drawConifer(QPainter &p, QPointF foot, double height, QColor colour)
{
    p.fillRect(
        QRectF(foot.x() - height * 0.03, foot.y() - height * 0.15, height * 0.06, height * 0.15), QColor(70, 48, 30));
    for (int tier = 0; tier < 4; ++tier) {
        const double y = foot.y() - height * (0.12 + 0.2 * tier);
        const double w = height * (0.34 - 0.07 * tier);
        QPainterPath t;
        t.moveTo(foot.x() - w, y);
        t.lineTo(foot.x() + w, y);
        t.lineTo(foot.x(), y - height * 0.36);
        t.closeSubpath();
        p.fillPath(t, colour.darker(100 + tier * 8));
    }
}

// Fractal texture in -1..1: random grids of growing fineness, each enlarged smoothly and summed.
std::vector<float> texture(QSize size, QRandomGenerator &rng)
{
    std::vector<float> t(std::size_t(size.width()) * std::size_t(size.height()), 0.0f);
    float weight = 0.5f;
    for (int cells = 6; cells <= 384; cells *= 2) {
        QImage grid(cells, std::max(2, cells * size.height() / size.width()), QImage::Format_Grayscale8);
        for (int y = 0; y < grid.height(); ++y)
            for (int x = 0; x < grid.width(); ++x)
                grid.scanLine(y)[x] = uchar(rng.bounded(256));
        const QImage big = grid.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (int y = 0; y < size.height(); ++y) {
            const uchar *line = big.constScanLine(y);
            float *out = t.data() + std::size_t(y) * std::size_t(size.width());
            for (int x = 0; x < size.width(); ++x)
                out[x] += weight * (float(line[x]) / 127.5f - 1.0f);
        }
        weight *= 0.6f;
    }
    return t;
}

// Grain shared by both pictures of a pair: the same pixel gets the same noise.
int grain(int x, int y, quint32 seed)
{
    quint32 h = quint32(x) * 0x9E3779B1u ^ quint32(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return int(h % 15) - 7;
}

} // namespace

QImage makePhoto(QSize size, quint32 seed, bool retouched)
{
    const double w = size.width();
    const double h = size.height();
    const double horizon = h * 0.56;
    const double shore = h * 0.74;
    QRandomGenerator rng(seed);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(36, 88, 160));
    sky.setColorAt(0.55, QColor(118, 168, 218));
    sky.setColorAt(1, QColor(232, 218, 196));
    p.fillRect(QRectF(0, 0, w, horizon + 2), sky);
    const QPointF sun(w * 0.72, horizon * 0.42);
    QRadialGradient glow(sun, h * 0.4);
    glow.setColorAt(0, QColor(255, 252, 235));
    glow.setColorAt(0.05, QColor(255, 246, 215, 235));
    glow.setColorAt(0.22, QColor(255, 228, 180, 70));
    glow.setColorAt(1, QColor(255, 220, 170, 0));
    p.fillRect(QRectF(0, 0, w, horizon), glow);

    // Clouds drawn small and enlarged, which softens them as a lens would.
    QImage clouds(std::max(1, size.width() / 8), std::max(1, size.height() / 8), QImage::Format_ARGB32_Premultiplied);
    clouds.fill(Qt::transparent);
    {
        QPainter c(&clouds);
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(Qt::NoPen);
        const double cw = clouds.width();
        const double ch = clouds.height();
        for (int bank = 0; bank < 7; ++bank) {
            const QPointF centre(rng.bounded(cw), ch * (0.08 + rng.bounded(0.3)));
            for (int puff = 0; puff < 14; ++puff) {
                const QPointF at =
                    centre + QPointF((rng.bounded(2.0) - 1) * cw * 0.09, (rng.bounded(2.0) - 1) * ch * 0.025);
                const double r = cw * (0.015 + rng.bounded(0.03));
                QRadialGradient g(at, r);
                g.setColorAt(0, QColor(255, 255, 255, 150));
                g.setColorAt(1, QColor(255, 255, 255, 0));
                c.setBrush(g);
                c.drawEllipse(at, r * 1.6, r);
            }
        }
    }
    p.drawImage(QRectF(0, 0, w, h), clouds.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    drawRange(p, QSizeF(w, horizon), horizon - h * 0.1, h * 0.26, QColor(170, 182, 205), QColor(128, 146, 172), rng);
    drawRange(p, QSizeF(w, horizon), horizon - h * 0.03, h * 0.17, QColor(92, 118, 128), QColor(64, 92, 88), rng);
    drawRange(p, QSizeF(w, horizon), horizon + 2, h * 0.08, QColor(46, 84, 52), QColor(30, 62, 38), rng);

    // The lake mirrors what stands above it, rippled and darkened.
    const int lakeTop = int(horizon);
    const int lakeRows = int(shore) - lakeTop + int(h * 0.03);
    const QImage above = image.copy(0, lakeTop - lakeRows, size.width(), lakeRows).mirrored(false, true);
    for (int r = 0; r < lakeRows; ++r) {
        const double shift = std::sin(r * 0.9 + seed) * (1.0 + r * 0.02) * (w / 1000.0);
        p.drawImage(QPointF(0, lakeTop + r), above, QRectF(0, r, w, 1)); // no bare edge after the shift
        p.drawImage(QPointF(shift, lakeTop + r), above, QRectF(0, r, w, 1));
    }
    QLinearGradient water(0, horizon, 0, shore);
    water.setColorAt(0, QColor(40, 70, 100, 90));
    water.setColorAt(1, QColor(20, 45, 70, 170));
    p.fillRect(QRectF(0, horizon, w, shore - horizon + h * 0.03), water);

    // Meadow with a curved shoreline.
    QPainterPath meadow(QPointF(0, h));
    meadow.lineTo(0, shore + h * 0.02);
    meadow.cubicTo(w * 0.3, shore - h * 0.03, w * 0.6, shore + h * 0.05, w, shore - h * 0.01);
    meadow.lineTo(w, h);
    meadow.closeSubpath();
    QLinearGradient grass(0, shore - h * 0.03, 0, h);
    grass.setColorAt(0, QColor(118, 150, 60));
    grass.setColorAt(1, QColor(62, 98, 34));
    p.fillPath(meadow, grass);

    // Blades of grass and shrubs: detail at every scale, as a photograph has.
    for (int i = 0; i < int(w * h / 900); ++i) {
        const double x = rng.bounded(w);
        const double y = shore + rng.bounded(h - shore);
        const double len = (h * 0.004 + rng.bounded(h * 0.01)) * (0.4 + (y - shore) / (h - shore));
        const int g = 70 + int(rng.bounded(90));
        p.setPen(QPen(QColor(g / 2 + int(rng.bounded(40)), g + 20, g / 3), std::max(1.0, w / 1600.0)));
        p.drawLine(QPointF(x, y), QPointF(x + rng.bounded(len) - len / 2, y - len));
    }
    for (int i = 0; i < int(w / 3); ++i) {
        const double x = rng.bounded(w);
        const double y = horizon - rng.bounded(h * 0.05);
        const double r = h * (0.002 + rng.bounded(0.004));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24 + int(rng.bounded(20)), 52 + int(rng.bounded(30)), 30));
        p.drawEllipse(QPointF(x, y), r, r * 1.4);
    }

    // The house; the retouched picture has its roof repainted slate grey.
    const QRectF wall(w * 0.58, shore - h * 0.005, w * 0.09, h * 0.07);
    p.fillRect(wall, QColor(226, 212, 184));
    QPainterPath roof;
    roof.moveTo(wall.left() - w * 0.012, wall.top());
    roof.lineTo(wall.right() + w * 0.012, wall.top());
    roof.lineTo(wall.center().x(), wall.top() - h * 0.05);
    roof.closeSubpath();
    p.fillPath(roof, retouched ? QColor(78, 86, 98) : QColor(168, 52, 40));
    p.fillRect(QRectF(wall.left() + wall.width() * 0.18,
                   wall.top() + wall.height() * 0.3,
                   wall.width() * 0.2,
                   wall.height() * 0.3),
        QColor(60, 70, 90));
    p.fillRect(QRectF(wall.left() + wall.width() * 0.6,
                   wall.top() + wall.height() * 0.35,
                   wall.width() * 0.2,
                   wall.height() * 0.65),
        QColor(110, 70, 40));

    const double treeFeet[][3] = {{0.08, 0.86, 0.2},
        {0.16, 0.83, 0.15},
        {0.27, 0.9, 0.24},
        {0.44, 0.81, 0.12},
        {0.78, 0.84, 0.17},
        {0.9, 0.92, 0.26}};
    for (std::size_t i = 0; i < std::size(treeFeet); ++i) {
        if (retouched && i == 3) // the tree in front of the lake is gone
            continue;
        drawConifer(p, QPointF(w * treeFeet[i][0], h * treeFeet[i][1]), h * treeFeet[i][2], QColor(34, 78, 40));
    }

    if (retouched) {
        // A sailing boat put on the lake.
        const QPointF keel(w * 0.36, horizon + (shore - horizon) * 0.55);
        QPainterPath hull;
        hull.moveTo(keel + QPointF(-w * 0.03, 0));
        hull.lineTo(keel + QPointF(w * 0.03, 0));
        hull.lineTo(keel + QPointF(w * 0.02, h * 0.012));
        hull.lineTo(keel + QPointF(-w * 0.022, h * 0.012));
        hull.closeSubpath();
        p.fillPath(hull, QColor(245, 245, 240));
        QPainterPath sail;
        sail.moveTo(keel + QPointF(-w * 0.002, -h * 0.003));
        sail.lineTo(keel + QPointF(-w * 0.002, -h * 0.075));
        sail.lineTo(keel + QPointF(w * 0.024, -h * 0.003));
        sail.closeSubpath();
        p.fillPath(sail, QColor(250, 248, 236));
    }
    p.end();

    // Texture (strong on the land, faint in the sky), grain and a gentle vignette; the retouched
    // picture is a little brighter and warmer.
    const std::vector<float> relief = texture(size, rng);
    const double cx = w / 2;
    const double cy = h / 2;
    const double reach = cx * cx + cy * cy;
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const double d = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / reach;
            const double t = std::clamp((y - horizon * 0.55) / (horizon * 0.45), 0.0, 1.0);
            const double land = 0.04 + 0.32 * t * t * (3 - 2 * t);
            const double shade = (1.0 - 0.28 * d * d)
                * (1.0 + land * relief[std::size_t(y) * std::size_t(size.width()) + std::size_t(x)]);
            const int n = grain(x, y, seed);
            const int lift = retouched ? 6 : 0;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(int(qRed(c) * shade) + n + lift + (retouched ? 3 : 0), 0, 255),
                std::clamp(int(qGreen(c) * shade) + n + lift, 0, 255),
                std::clamp(int(qBlue(c) * shade) + n + lift - (retouched ? 2 : 0), 0, 255));
        }
    }
    return image;
}

} // namespace Duovue::Bench
