#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "compose/compositestate.h"
#include "core/result.h"

namespace Duovue
{

/// The two kinds of file a composite is saved as, and the names it cannot be saved under.
enum class CompositeFileType { Jpeg, Bmp, Unsupported };

/// The kind the chosen name asks for, by the text after the name's last "." in any case: "bmp"
/// gives BMP, "jpg" and "jpeg" (and a name without extension) JPEG; any other extension (".png")
/// is Unsupported, since JPEG bytes under such a name would mislead every other program.
CompositeFileType CompositeFileTypeFor(const QString &path);

/// Length of the block that starts every saved JPEG and of the encoder's bytes it replaces.
constexpr int CompositeJpegHeaderSize = 36;
constexpr int EncoderJfifHeaderSize = 20;

/// The 36 bytes that start every saved JPEG: SOI; a JFIF 1.01 APP0 segment declaring 96 x 96 dots
/// per inch and no thumbnail; an APP12 segment holding "Duovue120", a zero byte, @p method and a
/// zero byte.
QByteArray CompositeJpegHeader(CompositeMethod method);

/// The composite encoded by libjpeg as a baseline JPEG at @p quality (default parameters, all
/// tables written, rows passed one at a time), exactly as the encoder writes it: the same bytes as
/// an encoding of the composite's RGB rows.
/// Encoder errors (a picture wider or taller than JPEG allows, no memory) come back as an Error;
/// they never end the process.
Result<QByteArray> EncodeCompositeJpeg(const QImage &composite, int quality);

/// Replaces the encoder's first 20 bytes of @p jpeg (its SOI and JFIF APP0 segment) with
/// CompositeJpegHeader(@p method), in memory, so the file is final when it is first written.
/// Refuses data that does not start with those 20 bytes.
Result<void> HeaderFixup(QByteArray &jpeg, CompositeMethod method);

/// The composite as an uncompressed 24-bit BMP file: 14-byte file header, 40-byte information
/// header (3780 pixels per metre), then the rows from the bottom up, blue, green, red, each row
/// padded with zeros to a multiple of 4 bytes. Fails for a picture whose file would pass 4 GB.
Result<QByteArray> EncodeCompositeBmp(const QImage &composite);

/// Saves @p composite at @p path as the name asks (CompositeFileTypeFor; an unsupported extension
/// is an InvalidArgument error), replacing an existing file without a question, never a device
/// or a pipe, and never making a missing folder. The file is written complete to a temporary file in the same folder
/// and renamed over @p path only then: when anything fails (an unwritable folder, a full disk, an
/// encoder error) there is no new file and an old file at @p path is left whole.
///
/// Thread: any. Blocks while it encodes and writes.
Result<void> SaveComposite(const QImage &composite, const QString &path, CompositeMethod method, int quality);

} // namespace Duovue
