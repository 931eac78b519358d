#pragma once

#include <array>
#include <atomic>

#include <QString>

#include "lists/cmysortstringarray.h"

namespace Duovue
{

/// The state that the subsystems share: the two file lists with their comparison positions, the
/// result-mode flag, the abort flag of long work, the remembered folders and the per-pane load
/// outcomes. Owned by the application object (or by a test); parts receive a reference to it.
///
/// Thread: GUI thread, except abortRequested, which workers may poll.
struct AppState {
    static constexpr int PaneCount = 4;

    std::array<FileList, 2> fileList;
    /// Index of the comparison position of each side ("見比べ位置").
    std::array<int, 2> viewerPosition{0, 0};
    /// The lists hold similar-image search results (group labels instead of position marks).
    bool resultMode = false;
    /// Set by the abort button of a progress dialog; polled by long work, cleared when it ends.
    std::atomic<bool> abortRequested{false};
    /// Folder preselected in the folder chooser of each side ("App"/"Dir0", "Dir1").
    std::array<QString, 2> lastFolder;
    /// First pane of the pair the pair tools act on: 0 the main window's previews, 2 the viewer's.
    int activePair = 0;
    /// Per pane: 0 after a successful load; the failing list index after a failed load; 1 at start.
    std::array<int, PaneCount> loadMarker{1, 1, 1, 1};
    /// Per pane: the last load succeeded. Kept beside loadMarker because a failure at entry 0 leaves
    /// the marker at 0, which alone would read as success.
    std::array<bool, PaneCount> loadSucceeded{false, false, false, false};
    /// Per main-window pane: its enlarged preview popup is open.
    std::array<bool, 2> previewPopupOpen{false, false};
};

} // namespace Duovue
