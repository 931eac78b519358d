#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QByteArrayView>

namespace Duovue
{

class BoxReducer;

/// What the similar method keeps of one picture: enough to find candidate copies in an index and
/// to verify each candidate pair on a finer comparison, in less than 1 KiB.
///
/// - two 64-bit hashes of the luminance thumbnail's low frequencies: `hash` says which of 64
///   cosine coefficients lie above their median (robust to grey conversions), `shapeHash` on which
///   side of 64 fixed planes the coefficient vector lies (robust for smooth pictures, whose small
///   coefficients make the first hash unstable); copies land a few bits apart in both;
/// - the picture's size, for the aspect check;
/// - the luminance thumbnail, Side x Side area averages of the whole picture (the aspect ratio
///   ignored), as its mean, its deviation and every cell's distance from the mean in deviations
///   (7 bits, steps of 3/64 from -3 to +3): the thumbnail with brightness and contrast normalised;
/// - the colour, ChromaSide x ChromaSide averages of the two colour-difference channels (6 bits,
///   scaled to the picture's strongest colour), fine enough to tell a grey copy of the picture
///   from a grey picture of something else.
///
/// 28 x 28 cells at 7 bits separate copies from look-alikes better than 32 x 32 at the 6 bits that
/// would fit: the rounding of the cells matters more than their number.
///
/// A plain value: copyable, comparable, and serialised to a byte blob that starts with Version, so
/// that a key cache can store it and refuse blobs of another version.
///
/// Thread: any (a value).
struct SimilarDescriptor {
    /// Raised whenever the meaning or the layout of any field changes.
    static constexpr std::uint8_t Version = 1;
    static constexpr int Side = 28;
    static constexpr int ChromaSide = Side / 2;
    static constexpr int Cells = Side * Side;
    static constexpr int ChromaCells = ChromaSide * ChromaSide;
    static constexpr int LumaBits = 7;
    static constexpr int ChromaBits = 6;
    /// Deviations below this many luminance levels count as this: the structure of a nearly flat
    /// picture is its noise, and stretching it to full contrast would compare noise.
    static constexpr double DeviationFloor = 4.0;
    /// Normalised luminance is kept from -LumaRange to +LumaRange deviations.
    static constexpr double LumaRange = 3.0;
    static constexpr int LumaBytes = Cells * LumaBits / 8;
    static constexpr int ChromaBytes = 2 * ChromaCells * ChromaBits / 8;
    static constexpr int HeaderBytes = 32;
    /// Bytes of toBytes().
    static constexpr int SerializedSize = HeaderBytes + LumaBytes + ChromaBytes;

    enum Flag : std::uint8_t {
        Grey = 1, // no colour anywhere: a grey picture
    };

    std::uint64_t hash = 0;
    std::uint64_t shapeHash = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t mean = 0; // luminance mean, in 1/256 levels
    std::uint16_t deviation = 0; // luminance standard deviation, in 1/256 levels
    std::uint16_t chromaRange = 0; // colour difference of the top code, in 1/256 levels
    std::uint8_t flags = 0;
    std::array<std::uint8_t, LumaBytes> luma{}; // Cells codes of LumaBits, least significant first
    std::array<std::uint8_t, ChromaBytes> chroma{}; // Cb cells, then Cr cells, ChromaBits each

    bool operator==(const SimilarDescriptor &) const = default;

    /// The descriptor of the @p width x @p height picture that @p reducer has reduced to
    /// Side x Side.
    static SimilarDescriptor fromReduction(const BoxReducer &reducer, int width, int height);

    double meanLevel() const { return mean / 256.0; }
    double deviationLevel() const { return deviation / 256.0; }
    bool isGrey() const { return flags & Grey; }

    /// Every cell's distance from the mean, in deviations (at least DeviationFloor levels).
    std::array<float, Cells> normalisedLuma() const;
    /// The colour differences Cb then Cr of every colour cell, in levels.
    std::array<float, 2 * ChromaCells> colourDifferences() const;

    QByteArray toBytes() const;
    /// The descriptor of a blob from toBytes(); nothing when the blob has another version or size.
    static std::optional<SimilarDescriptor> fromBytes(QByteArrayView bytes);
    /// The same content as toBytes(), losslessly compressed for the key cache: a photograph's
    /// descriptor takes about half its SerializedSize.
    QByteArray toCompactBytes() const;
    /// The descriptor of a blob from toCompactBytes(); nothing when it is not one.
    static std::optional<SimilarDescriptor> fromCompactBytes(QByteArrayView bytes);
};

} // namespace Duovue
