#pragma once

#include <array>
#include <atomic>

#include <QString>

namespace Duovue
{

/// What the session shares besides the document: the folder each side's folder chooser starts in,
/// and the abort flag of the long work that runs on the GUI thread under the progress dialog.
/// Neither is part of a document: a new or opened document keeps both.
///
/// Owned by the application object (or by a test); parts receive a reference.
/// Thread: GUI thread, except abortRequested, which the work may poll from anywhere.
struct SessionState {
    /// Folder preselected in the folder chooser of each side ("App"/"Dir0", "Dir1"); read at start,
    /// written at exit.
    std::array<QString, 2> lastFolder;
    /// Set by the abort button of the progress dialog; polled by the work, which clears it when it
    /// ends.
    std::atomic<bool> abortRequested{false};
    /// Folder the compositing window's save dialog opens in: the folder of the last composite saved
    /// in this session; empty before the first save.
    QString composeSaveFolder;
};

} // namespace Duovue
