#pragma once

#include <QImage>
#include <QList>

#include "imaging/regiontracker.h"

namespace Duovue
{

/// How two pictures of one size differ at a tolerance: the differing pixels, their share and the
/// 8-connected regions they form.
struct DifferenceSummary {
    qint64 differingPixels = 0;
    qint64 totalPixels = 0;
    qint64 regionCount = 0;
    /// The largest regions, largest first (RegionTracker's order), at most as many as asked for.
    QList<DifferenceRegion> regions;

    /// Differing pixels per pixel, 0..1.
    double share() const { return totalPixels > 0 ? double(differingPixels) / double(totalPixels) : 0.0; }
};

/// The pixel comparison of the difference view and `duovue-cli diff`. A pixel differs when any of
/// its three channels differs by more than the tolerance (0..255), so tolerance 0 finds every
/// change and 255 none.
///
/// The work is split so that a new tolerance costs one pass over bytes: channelDifferences() keeps
/// each pixel's largest channel difference once, summarise() and markDifferences() read it.
///
/// Thread: any; the functions touch nothing shared. Returned pictures belong to the caller.
namespace PictureDifference
{

constexpr int MaxTolerance = 255;
/// The most regions listed (the rest are counted).
constexpr int MaxListedRegions = 100;
/// What a differing pixel becomes in a marked picture: pure red, which the grey backdrop never is.
constexpr QRgb MarkColour = 0xFFFF0000;

/// The largest channel difference of every pixel of @p left and @p right (same size; converted to
/// Format_RGB32 when they are not), as a Format_Grayscale8 picture of that size.
QImage channelDifferences(const QImage &left, const QImage &right);

/// Counts the pixels of @p differences (from channelDifferences) above @p tolerance and finds their
/// regions, keeping the @p keepRegions largest.
DifferenceSummary summarise(const QImage &differences, int tolerance, int keepRegions = MaxListedRegions);

/// The grey level of a pixel dimmed toward the middle, 64..191: (77 red + 150 green + 29 blue) / 256
/// halved, plus 64. Dim enough that marked pixels stand out, light enough to recognise the picture.
int dimmedGrey(QRgb pixel);
/// The dimmedGrey of every pixel of @p picture, as a Format_Grayscale8 picture of its size.
QImage dimmedGreys(const QImage &picture);
/// The marked picture (Format_RGB32): MarkColour wherever @p differences is above @p tolerance, the
/// grey of @p greys (from dimmedGreys, same size) everywhere else.
QImage marked(const QImage &greys, const QImage &differences, int tolerance);

/// The marked picture made smaller for a pane that fits it in: @p fittedGreys (dimmedGreys scaled to
/// the pane's size) with MarkColour on every pixel onto which a pixel of @p differences above
/// @p tolerance falls, so that a single differing pixel stays visible however far the picture is
/// reduced.
QImage markedFitted(const QImage &fittedGreys, const QImage &differences, int tolerance);

/// @p picture scaled to @p size (smoothly, ignoring its aspect), Format_RGB32: how a picture of
/// another size is compared with the left one.
QImage fittedTo(const QImage &picture, QSize size);

} // namespace PictureDifference

} // namespace Duovue
