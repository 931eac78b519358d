#pragma once

#include <atomic>
#include <cstddef>

#include <QByteArrayView>
#include <QList>
#include <QString>

#include "core/result.h"

namespace Duovue
{

class ProgressPump;

/// One stretch of consecutive differing byte positions of two files, with the bytes of both sides
/// as HexLine texts. Offsets are 64-bit: files beyond 4 GiB compare like small ones.
///
/// The texts hold at most BinaryComparer::MaxTextBytes bytes of each side; a longer run ends its
/// texts with a line that says how many bytes were left out, while start, end and count stay exact.
struct DifferenceRun {
    quint64 start = 0; // offset of the first differing byte
    quint64 end = 0; // offset of the last differing byte (inclusive)
    quint64 count = 0; // end - start + 1
    QString leftText;
    QString rightText;
};

/// Up to 16 bytes of one side of a run as one line: "%02X" of each byte separated by single
/// spaces, an ideographic space, "   " for every byte short of 16, then one character per byte
/// (the byte's own code for 0x21 and above, "." for 0x00 to 0x20 and for DEL and the C1 controls
/// 0x7F to 0x9F), then "\r\r\n". In a fixed-pitch font whose ideographic space is two columns
/// wide the characters start in column 49.
QString HexLine(QByteArrayView bytes);

/// An offset as the run list shows it: upper-case hexadecimal, at least eight digits.
QString OffsetText(quint64 offset);

/// What comparing two files found.
struct BinaryComparison {
    enum class Outcome {
        Identical, // same length, same bytes
        LengthsDiffer, // the common part is identical but one file is longer
        Differences, // at least one run was found (possibly before an abort)
        Aborted // aborted before any run was complete: nothing can be said
    };

    QList<DifferenceRun> runs; // the closed runs in file order, at most BinaryComparer::MaxRuns
    quint64 leftSize = 0;
    quint64 rightSize = 0;
    bool aborted = false;
    bool runLimitReached = false; // the tenth run closed; bytes after it were not examined

    Outcome outcome() const;
};

/// The message for a comparison without runs to list (caption "確認", information icon): the same
/// image, lengths that differ (with both lengths), or an abort. Empty for Outcome::Differences.
QString NoRunsMessage(const BinaryComparison &comparison);

/// Finds the runs of two byte streams fed to it piece by piece, both sides in step. Equal stretches
/// are skipped with block compares; only differing bytes are looked at one by one.
///
/// Thread: any; one object per comparison.
class BinaryComparer
{
public:
    static constexpr int MaxRuns = 10;
    static constexpr qsizetype MaxTextBytes = 64 * 1024;

    /// Compares the next @p n bytes of both sides. Returns false once the tenth run has closed; the
    /// rest of the input must then not be fed.
    bool feed(const unsigned char *left, const unsigned char *right, size_t n);
    /// The common part ended: a run still open ends at the last byte fed.
    void finish();
    /// The runs closed so far (an open run is not among them).
    const QList<DifferenceRun> &runs() const { return m_runs; }
    QList<DifferenceRun> takeRuns() { return std::move(m_runs); }
    bool limitReached() const { return m_runs.size() >= MaxRuns; }

private:
    void closeRun(quint64 end);

    QList<DifferenceRun> m_runs;
    quint64 m_offset = 0; // file offset of the next byte to be fed
    bool m_inRun = false;
    quint64 m_start = 0;
    quint64 m_count = 0;
    QByteArray m_left; // the open run's bytes, up to MaxTextBytes
    QByteArray m_right;
};

/// Compares two byte strings held in memory over their common length.
BinaryComparison CompareBytes(QByteArrayView left, QByteArrayView right);

/// Compares two files over their common length, reading both in blocks of @p blockSize bytes, so
/// memory stays flat whatever their size. @p abort is polled between blocks: when it is set the
/// comparison stops with the runs closed so far and `aborted` set (the flag is left as it is).
/// @p pump is polled between blocks. Fails when either file cannot be opened or read.
///
/// Thread: any.
Result<BinaryComparison> CompareFiles(const QString &left,
    const QString &right,
    const std::atomic<bool> &abort,
    ProgressPump &pump,
    size_t blockSize = 1 << 20);

} // namespace Duovue
