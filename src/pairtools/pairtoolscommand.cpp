#include "pairtools/pairtoolscommand.h"

#include <QCoreApplication>

#include "core/sessionstate.h"
#include "core/userprompts.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "document/existencecheckrun.h"
#include "lists/guifillprogress.h"
#include "pairtools/binarycompare.h"
#include "pairtools/canalysisdlg.h"
#include "pairtools/cbyredlg.h"
#include "pairtools/cjpegdlg.h"
#include "pairtools/cnothingdlg.h"
#include "pairtools/differenceanalysis.h"
#include "pairtools/jpegmarkers.h"
#include "pairtools/progresspump.h"

namespace Duovue
{

namespace
{

void showReadError(const CommandContext &context, const Error &error)
{
    context.prompts.error(
        QStringLiteral("ファイルを読み込めませんでした。\r\n\r\n") + error.message, Captions::error());
}

/// The progress dialog for the length of a comparison; the abort flag is clear again afterwards.
class ProgressScope
{
public:
    explicit ProgressScope(const CommandContext &context)
        : m_abort(context.session.abortRequested)
        , m_progress(context.session.abortRequested, context.parent)
        , m_pump([this] {
            m_progress.pump();
        })
    {
        m_abort = false;
        m_progress.begin();
    }
    ~ProgressScope()
    {
        m_progress.end();
        m_abort = false;
    }
    ProgressScope(const ProgressScope &) = delete;
    ProgressScope &operator=(const ProgressScope &) = delete;

    const std::atomic<bool> &abortFlag() const { return m_abort; }
    ProgressPump &pump() { return m_pump; }

private:
    std::atomic<bool> &m_abort;
    GuiFillProgress m_progress;
    ProgressPump m_pump;
};

AnalysisSide analysisSide(const CDuovueDoc &document, int side)
{
    AnalysisSide s;
    s.info = document.pairPane(side).info;
    const FileList &list = document.fileList(side);
    // The times as the list holds them now; a row that has gone since the load has none.
    if (s.info.listIndex >= 0 && s.info.listIndex < list.size()) {
        s.created = list.column(2, s.info.listIndex);
        s.modified = list.column(3, s.info.listIndex);
    }
    return s;
}

} // namespace

void runBinaryCompare(const CommandContext &context)
{
    const CDuovueDoc &document = context.document;
    if (!document.isPairLoaded())
        return;
    const QString left = document.pairPane(0).info.path;
    const QString right = document.pairPane(1).info.path;
    Result<BinaryComparison> compared = Error{};
    {
        ProgressScope progress(context);
        compared = CompareFiles(left, right, progress.abortFlag(), progress.pump());
    }
    if (!compared) {
        showReadError(context, compared.error());
        return;
    }
    const BinaryComparison &c = compared.value();
    if (c.runs.isEmpty()) {
        context.prompts.information(NoRunsMessage(c), Captions::confirm());
        return;
    }
    CByReDlg dialog(c.runs, context.parent);
    dialog.exec();
}

void runDifferenceAnalysis(const CommandContext &context)
{
    const CDuovueDoc &document = context.document;
    if (!document.isPairLoaded())
        return;
    CAnalysisDlg dialog(AnalyseDifferences(analysisSide(document, 0), analysisSide(document, 1)), context.parent);
    dialog.exec();
}

void runJpegCompare(const CommandContext &context)
{
    const CDuovueDoc &document = context.document;
    if (!document.isPairLoaded())
        return;
    const QString paths[2] = {document.pairPane(0).info.path, document.pairPane(1).info.path};
    bool notJpeg[2] = {false, false};
    for (int side = 0; side < 2; ++side) {
        const Result<bool> jpeg = JpegMarkers::IsJpegFile(paths[side]);
        if (!jpeg) {
            showReadError(context, jpeg.error());
            return;
        }
        notJpeg[side] = !jpeg.value();
    }
    if (notJpeg[0] || notJpeg[1]) {
        context.prompts.error(
            JpegMarkers::NotJpegMessage(notJpeg[0], notJpeg[1], paths[0], paths[1]), Captions::error());
        return;
    }
    MarkerScanResult scans[2];
    {
        ProgressScope progress(context);
        for (int side = 0; side < 2; ++side) {
            Result<MarkerScanResult> scan = JpegMarkers::ScanFile(paths[side], progress.abortFlag(), progress.pump());
            if (!scan) {
                showReadError(context, scan.error());
                return;
            }
            scans[side] = std::move(scan).value();
            // An abort during the left scan still shows what was found; the right side stays empty.
            if (scans[side].aborted)
                break;
        }
    }
    CJpegDlg dialog(std::move(scans[0]), std::move(scans[1]), context.parent);
    dialog.exec();
}

void runExistenceCheck(const CommandContext &context)
{
    QWidget *parent = context.parent;
    const QString summary = RunExistenceCheck(context.document, [parent](const QString &text) {
        return CNothingDlg::showNotice(text, parent);
    });
    if (!summary.isEmpty())
        context.prompts.information(summary, QStringLiteral("確認結果"));
}

} // namespace Duovue
