#pragma once

#include <array>
#include <functional>

#include <QMainWindow>

#include "document/commandcontext.h"
#include "viewer/keychords.h"
#include "viewer/pictureprefetcher.h"

class QLabel;
class QSplitter;

namespace Duovue
{

class CComparisonModes;
class CViewerPane;
class FramePlacement;

/// The comparison viewer "画像比較": the current picture of the left list beside that of the right
/// list, each in a CViewerPane (panes 2 and 3), a status bar that names the shown files, and the
/// keyboard chords that step through the lists. From here the shown files go to the recycle bin,
/// to another folder or are copied, and the pair tools act on the two shown pictures.
///
/// The window is made once, hidden, with the main window as its owner; open() shows it on the
/// comparison positions and closing only hides it again (pictures freed, timers stopped).
/// While it shows, the entry each side will most likely show next is read in the background. The
/// comparison modes (difference, split, flicker, linked views; CComparisonModes) are reached by
/// keys and the pane menus.
///
/// It reads the lists and positions from the document and changes them only through its
/// operations; the panes show the document's panes 2 and 3.
///
/// Thread: GUI thread. Does not own the document, session, settings or services, which must outlive
/// it.
class CPreFrame final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPreFrame)

public:
    /// What the viewer needs of the main window.
    struct Hooks {
        /// A pair tool or the compositing window from a pane's menu (the main menu's command).
        std::function<void(int commandId)> runTool;
        /// Whether that command can run now; a command without a hook is disabled.
        std::function<bool(int commandId)> toolEnabled;
    };

    /// The frame belongs to @p context.parent (the main window), which owns it, and works on the
    /// document and services @p context names.
    CPreFrame(const CommandContext &context, Hooks hooks);
    ~CPreFrame() override;

    CViewerPane *pane(int side) const { return m_panes[side]; }
    QLabel *statusPane(int side) const { return m_status[side]; }
    QSplitter *splitter() const { return m_splitter; }
    PicturePrefetcher &prefetcher() { return m_prefetcher; }
    CComparisonModes *modes() const { return m_modes; }

    /// IdViewerOpen: shows the entries at the comparison positions; nothing when a list is empty
    /// or the viewer already shows. Returns whether the viewer is shown now.
    bool open();
    /// Hides the viewer: pictures freed, timers stopped, the tools back on the preview panes.
    void closeViewer();

    /// Moves side @p side by @p direction (+1 next, -1 previous) and shows that entry, or says that
    /// the list ends there.
    void step(int side, int direction);
    /// The same for the sides selected in @p sides, positions first, then left before right.
    void stepSides(std::array<bool, 2> sides, int direction);
    void backToTop(int side);
    void trashShown(int side);
    void moveShown(int side);
    void copyShown(int side);
    void showInformation(int side);

    /// Takes the interval and display mode from the settings (after the settings dialog).
    void applySettings();

    /// The information dialog's text for side @p side.
    QString informationText(int side) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applySizeRule();
    void applyPlacement();
    void runChord(const ChordCommand &chord);
    void paneCommand(int side, int id);
    void showEntry(int side, int index);
    void prefetchNext(int side);
    /// After the side's list changed under the viewer: shows the entry at its position, or closes
    /// the viewer when the list became empty.
    void followList(int side);
    void transferShown(int side, bool moving);
    void removeShown(int side);
    void updateStatus(int side);
    void updateToolActions();

    CommandContext m_context;
    CDuovueDoc &m_document;
    Hooks m_hooks;

    FramePlacement *m_placement = nullptr;
    QSplitter *m_splitter = nullptr;
    std::array<CViewerPane *, 2> m_panes{};
    std::array<QLabel *, 2> m_status{};
    HeldKeys m_held;
    bool m_repeatPending = false;
    PicturePrefetcher m_prefetcher;
    std::array<int, 2> m_direction{1, 1}; // the way each side moved last, where its prefetch looks
    std::array<QString, 2> m_shownPath; // the file each pane was last asked to show
    bool m_reportingEmptyList = false; // the box saying a list ran empty is up; the viewer stays
    CComparisonModes *m_modes = nullptr;
    bool m_picturesChangePending = false;
};

} // namespace Duovue
