#include "viewer/cpreframe.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>

#include "core/appsettings.h"
#include "core/fileoperations.h"
#include "core/settingsstore.h"
#include "core/userprompts.h"
#include "document/cduovuedoc.h"
#include "imaging/cinfodlg.h"
#include "lists/browseforfolder.h"
#include "resources/commandtable.h"
#include "viewer/ccomparisonmodes.h"
#include "viewer/cpanemenu.h"
#include "viewer/cviewerpane.h"
#include "viewer/ownedwindow.h"
#include "viewer/viewergeometry.h"
#include "viewer/viewernavigation.h"
#include "widgets/frameplacement.h"

namespace Duovue
{

namespace
{

// The main menu's commands on the pane menus, which the main window runs.
constexpr int ToolCommands[] = {IdCompose, IdBinaryCompare, IdDifferenceAnalysis, IdJpegCompare};

/// Status-bar text: a tab in a gesture's text stands for the gap before the action name.
QString shownStatus(const QString &text)
{
    return QString(text).replace(QLatin1Char('\t'), QStringLiteral("　　"));
}

} // namespace

CPreFrame::CPreFrame(const CommandContext &context, Hooks hooks)
    : QMainWindow(context.parent, Qt::Window)
    , m_context{context.document, context.session, context.settings, context.prompts, context.shell, this}
    , m_document(context.document)
    , m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("CPreFrame"));
    setWindowTitle(QStringLiteral("画像比較"));
    // The stored placement and the 800 x 600 minimum are outer measures, frame included.
    m_placement = new FramePlacement(this, ViewerGeometry::MinimumFrameSize);
    setFocusPolicy(Qt::StrongFocus);

    for (int side = 0; side < 2; ++side) {
        auto *label = new QLabel(QStringLiteral("ファイル名"), this);
        label->setAccessibleName(side == 0 ? QStringLiteral("左のファイル名") : QStringLiteral("右のファイル名"));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFocusPolicy(Qt::NoFocus);
        statusBar()->addWidget(label);
        m_status[side] = label;
    }

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    for (int side = 0; side < 2; ++side) {
        auto *pane = new CViewerPane(m_document, m_context.prompts, 2 + side, m_splitter);
        pane->setFocusPolicy(Qt::NoFocus);
        m_splitter->addWidget(pane);
        m_panes[side] = pane;
        connect(pane, &CViewerPane::statusChanged, this, [this, side] {
            updateStatus(side);
        });
        connect(pane, &CViewerPane::stepRequested, this, &CPreFrame::step);
        connect(pane, &CViewerPane::commandRequested, this, &CPreFrame::paneCommand);
        connect(pane, &CViewerPane::closeRequested, this, &CPreFrame::closeViewer);
        connect(pane->menu(), &QMenu::aboutToShow, this, &CPreFrame::updateToolActions);
    }
    // The splitter lowers each widget it takes in, which leaves the right pane first among its
    // children: a screen reader would meet the right picture before the left one.
    m_panes[0]->lower();
    setCentralWidget(m_splitter);

    m_modes = new CComparisonModes(m_context.settings, m_panes, this);
    connect(m_modes, &CComparisonModes::statusChanged, this, [this] {
        updateStatus(0);
        updateStatus(1);
    });
    // A step of both sides changes both panes: the modes make their pictures once for the pair.
    connect(&m_document, &CDuovueDoc::paneChanged, this, [this](int pane) {
        if (pane < 2 || m_picturesChangePending)
            return;
        m_picturesChangePending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_picturesChangePending = false;
                m_modes->picturesChanged();
            },
            Qt::QueuedConnection);
    });

    // Rows that come or go shift the indices a prefetch was made for: drop it. (A read is handed out
    // only for the same path anyway; this frees the picture early.)
    auto drop = [this](int side) {
        m_prefetcher.invalidate(side);
    };
    connect(&m_document, &CDuovueDoc::listAboutToBeReset, this, drop);
    connect(&m_document, &CDuovueDoc::rowsAboutToBeRemoved, this, drop);
    connect(&m_document, &CDuovueDoc::rowsAboutToBeInserted, this, drop);
    // The list commands remove rows and clear lists while the viewer shows: once the change is
    // done it shows the entry at the side's position again, and a side left empty gets its pane
    // reset and closes the viewer, which cannot show an empty list.
    const auto follow = [this](int side) {
        QMetaObject::invokeMethod(
            this,
            [this, side] {
                followList(side);
            },
            Qt::QueuedConnection);
    };
    connect(&m_document, &CDuovueDoc::rowsRemoved, this, follow);
    connect(&m_document, &CDuovueDoc::listReset, this, follow);
    connect(&m_document, &CDuovueDoc::sideEmptied, this, [this](int side) {
        m_panes[side]->resetView();
    });
    m_splitter->setSizes({ViewerGeometry::InitialLeftColumnWidth, ViewerGeometry::InitialLeftColumnWidth});
    applySettings();
    updateToolActions();
    // The pane menus show the tools' accelerators, so they work here as in the main window.
    for (int id : ToolCommands) {
        auto *accelerator = new QAction(this);
        accelerator->setShortcut(QKeySequence(Commands::of(id).shortcut));
        accelerator->setShortcutContext(Qt::WindowShortcut);
        connect(accelerator, &QAction::triggered, this, [this, id] {
            paneCommand(0, id);
        });
        addAction(accelerator);
    }

    resize(ViewerGeometry::MinimumFrameSize);
    if (QWidget *owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    applyPlacement();
}

CPreFrame::~CPreFrame() = default;

void CPreFrame::applySettings()
{
    const int interval = m_context.settings.value(AppSettings::AutoAdvanceInterval());
    const bool fit = m_context.settings.value(AppSettings::ViewerFitToWindow()) != 0;
    for (CViewerPane *pane : m_panes) {
        pane->setAutoAdvanceInterval(interval);
        pane->runCommand(fit ? IdFitToWindow : IdActualSize);
    }
}

void CPreFrame::applyPlacement()
{
    if (m_context.settings.value(AppSettings::ViewerPlacement()) == 0)
        return;
    m_placement->place(m_context.settings.value(AppSettings::ViewerLeft()),
        m_context.settings.value(AppSettings::ViewerTop()),
        m_context.settings.value(AppSettings::ViewerWidth()),
        m_context.settings.value(AppSettings::ViewerHeight()));
}

bool CPreFrame::open()
{
    if (m_document.fileList(0).isEmpty() || m_document.fileList(1).isEmpty() || isVisible())
        return isVisible();
    for (int side = 0; side < 2; ++side) {
        // The marked entry, which after a sort need not be at the stored position. Without a mark
        // (result mode) the stored position, pulled into the list: a document may hold any number.
        const int marked = int(m_document.fileList(side).primaries().indexOf(QStringLiteral("1")));
        m_document.setPosition(side, marked >= 0 ? marked : m_document.position(side));
        m_direction[side] = 1;
        showEntry(side, m_document.position(side));
        if (!m_panes[side]->hasGoodPicture()) {
            // The comparison position goes back to the top; the pane shows what the load left.
            if (m_document.fileList(side).isEmpty())
                return false;
            m_document.setPosition(side, 0);
        }
    }
    m_document.setActivePair(2);
    if (m_context.settings.value(AppSettings::ViewerPlacement()) != 0) {
        applyPlacement();
        showNormal();
    } else {
        showMaximized();
    }
    KeepAboveOwner(this, parentWidget());
    raise();
    activateWindow();
    setFocus();
    return true;
}

void CPreFrame::closeViewer()
{
    if (!isVisible() && m_document.activePair() == 0)
        return;
    hide();
    m_modes->end();
    for (CViewerPane *pane : m_panes)
        pane->release();
    m_prefetcher.clear();
    m_held.releaseAll();
    m_document.setActivePair(0);
    if (QWidget *owner = parentWidget()) {
        owner->raise();
        owner->activateWindow();
    }
}

void CPreFrame::showEntry(int side, int index)
{
    CViewerPane *pane = m_panes[side];
    const FileList &list = m_document.fileList(side);
    if (index < 0 || index >= list.size())
        return;
    pane->resetScroll();
    pane->resetColourMode();
    m_shownPath[side] = list.fullPath(index);
    std::optional<Result<DecodedPicture>> read = m_prefetcher.take(side, index, list.fullPath(index));
    if (read)
        pane->loadPicture(index, std::move(*read));
    else
        pane->loadPicture(index);
    // The next read starts once the pane is painted (the paint was asked for first), so that it does
    // not compete with the picture the user is waiting for.
    QMetaObject::invokeMethod(
        this,
        [this, side] {
            prefetchNext(side);
        },
        Qt::QueuedConnection);
}

void CPreFrame::followList(int side)
{
    const FileList &list = m_document.fileList(side);
    if (list.isEmpty()) {
        m_panes[side]->resetView();
        if (isVisible() && !m_reportingEmptyList)
            closeViewer();
        return;
    }
    if (!isVisible())
        return;
    const int position = std::clamp(m_document.position(side), 0, int(list.size()) - 1);
    if (position != m_document.position(side))
        m_document.setPosition(side, position);
    if (list.fullPath(position) != m_shownPath[side])
        showEntry(side, position);
}

void CPreFrame::prefetchNext(int side)
{
    const FileList &list = m_document.fileList(side);
    const int next = m_document.position(side) + m_direction[side];
    if (next >= 0 && next < list.size())
        m_prefetcher.prefetch(side, next, list.fullPath(next));
}

void CPreFrame::step(int side, int direction)
{
    std::array<bool, 2> sides{false, false};
    sides[side] = true;
    stepSides(sides, direction);
}

void CPreFrame::stepSides(std::array<bool, 2> sides, int direction)
{
    const auto pair = ViewerNavigation::stepSides({m_document.position(0), m_document.position(1)},
        {m_document.fileList(0).size(), m_document.fileList(1).size()},
        sides,
        direction);
    for (int side = 0; side < 2; ++side) {
        if (!pair.selected[side])
            continue;
        const ViewerNavigation::Step &s = pair.steps[side];
        if (s.atEnd) {
            m_panes[side]->stopAutoAdvance();
            m_context.prompts.information(s.endMessage, Captions::information());
            continue;
        }
        m_direction[side] = direction;
        m_document.setPosition(side, s.position);
        showEntry(side, s.position);
    }
}

void CPreFrame::backToTop(int side)
{
    if (m_document.fileList(side).isEmpty())
        return;
    m_direction[side] = 1;
    m_document.setPosition(side, 0);
    showEntry(side, 0);
}

void CPreFrame::trashShown(int side)
{
    const FileList &list = m_document.fileList(side);
    const int position = m_document.position(side);
    if (position < 0 || position >= list.size())
        return;
    const QString question = (side == 0 ? QStringLiteral("左の画像を") : QStringLiteral("右の画像を"))
        + QStringLiteral("ゴミ箱へ移動しますか？");
    if (!m_context.prompts.question(question, Captions::confirm()))
        return;
    const FileOperations::Result result =
        FileOperations::trash(m_context.shell, {list.fullPath(position)}).constFirst();
    // A file that is still there keeps its entry, so the user does not lose track of it.
    if (!result.sourceGone()) {
        FileOperations::reportFailure(m_context.prompts, result);
        return;
    }
    removeShown(side);
}

void CPreFrame::moveShown(int side)
{
    transferShown(side, true);
}

void CPreFrame::copyShown(int side)
{
    transferShown(side, false);
}

void CPreFrame::transferShown(int side, bool moving)
{
    const FileList &list = m_document.fileList(side);
    const int position = m_document.position(side);
    if (position < 0 || position >= list.size())
        return;
    const QString folder = BrowseForFolder(
        m_context.prompts, m_context.session, moving ? BrowseKind::MoveTarget : BrowseKind::CopyTarget, side);
    if (folder.isEmpty())
        return;
    const QString source = list.fullPath(position);
    const QString target = FileOperations::targetInFolder(source, folder);
    const FileOperations::Hooks hooks = FileOperations::askBeforeReplacing(m_context.prompts, moving);
    const FileOperations::Result result =
        moving ? FileOperations::move(source, target, hooks) : FileOperations::copy(source, target, hooks);
    FileOperations::reportFailure(m_context.prompts, result);
    if (result.sourceGone())
        removeShown(side);
}

void CPreFrame::removeShown(int side)
{
    m_panes[side]->resetScroll();
    // In result mode the row leaves both lists, which the document regroups: taking it from one side
    // alone would pair every later row with another file. A side left empty is reset by the
    // document (sideEmptied), which the pane and the control form follow.
    m_document.removePositionEntry(side);
    if (!m_document.fileList(side).isEmpty()) {
        showEntry(side, m_document.position(side));
        return;
    }
    // The box comes over the viewer, which closes only once it is answered. Closed first, the viewer
    // (hidden by the removal's own follow-up, run inside the box's event loop) took the box's owner
    // away, and some window managers then put the box behind the main window.
    m_reportingEmptyList = true;
    m_context.prompts.error(
        QStringLiteral("リストが空になりました。\r\n\r\n見比べウインドウを閉じます。"), Captions::confirm());
    m_reportingEmptyList = false;
    closeViewer();
}

QString CPreFrame::informationText(int side) const
{
    const CViewerPane *pane = m_panes[side];
    const FileList &list = m_document.fileList(side);
    const int index = m_document.position(side);
    const bool valid = index >= 0 && index < list.size();
    return pane->informationText() + QStringLiteral("\r\n")
        + QStringLiteral("\r\n----------------------------------\r\n　作成日時:　　　　")
        + (valid ? list.column(2, index) : QString()) + QStringLiteral("\r\n　更新日時:　　　　")
        + (valid ? list.column(3, index) : QString());
}

void CPreFrame::showInformation(int side)
{
    if (!m_panes[side]->hasPicture())
        return;
    auto *dialog = new CInfoDlg(m_panes[side]->imageInfo().path, informationText(side), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void CPreFrame::paneCommand(int side, int id)
{
    switch (id) {
    case IdTrash:
        trashShown(side);
        break;
    case IdMoveToFolder:
        moveShown(side);
        break;
    case IdCopyToFolder:
        copyShown(side);
        break;
    case IdBackToTop:
        backToTop(side);
        break;
    case IdImageInfo:
        showInformation(side);
        break;
    case IdDifferenceMode:
        m_modes->toggleMode(CComparisonModes::Mode::Difference);
        break;
    case IdSplitMode:
        m_modes->toggleMode(CComparisonModes::Mode::Split);
        break;
    case IdFlicker:
        m_modes->toggleFlicker();
        break;
    case IdLinkedViews:
        m_modes->setLinked(!m_modes->isLinked());
        break;
    case IdComparisonOptions:
        m_modes->openOptions(this);
        break;
    default:
        if (m_hooks.runTool && (!m_hooks.toolEnabled || m_hooks.toolEnabled(id)))
            m_hooks.runTool(id);
        break;
    }
}

void CPreFrame::updateToolActions()
{
    for (CViewerPane *pane : m_panes) {
        for (int id : ToolCommands) {
            if (QAction *a = pane->menu()->action(id))
                a->setEnabled(m_hooks.runTool && m_hooks.toolEnabled && m_hooks.toolEnabled(id));
        }
        if (m_modes) {
            using Mode = CComparisonModes::Mode;
            pane->menu()->syncModeChecks(m_modes->mode() == Mode::Difference,
                m_modes->mode() == Mode::Split,
                m_modes->isFlickering(),
                m_modes->isLinked());
        }
    }
}

void CPreFrame::updateStatus(int side)
{
    // A gesture being drawn says what it will do; otherwise a comparison mode says what it shows.
    const QString mode = !m_modes || m_panes[side]->isDrawingGesture() ? QString() : m_modes->statusText(side);
    const QString text = mode.isEmpty() ? m_panes[side]->statusText() : mode;
    m_status[side]->setText(shownStatus(text));
    m_status[side]->setAccessibleDescription(text);
}

void CPreFrame::runChord(const ChordCommand &chord)
{
    using Action = ChordCommand::Action;
    const std::array<bool, 2> sides{chord.left, chord.right};
    switch (chord.action) {
    case Action::None:
        return;
    case Action::ToggleDifference:
        m_modes->toggleMode(CComparisonModes::Mode::Difference);
        return;
    case Action::ToggleSplit:
        m_modes->toggleMode(CComparisonModes::Mode::Split);
        return;
    case Action::ToggleFlicker:
        m_modes->toggleFlicker();
        return;
    case Action::DividerLeft:
    case Action::DividerRight:
        m_modes->moveDivider(chord.action == Action::DividerLeft ? -1 : 1);
        return;
    case Action::Previous:
    case Action::Next:
        stepSides(sides, chord.action == Action::Next ? 1 : -1);
        return;
    case Action::Trash:
    case Action::StopAutoAdvance:
    case Action::StartAutoAdvance:
    case Action::BackToTop:
        break;
    }
    for (int side = 0; side < 2; ++side) {
        if (!sides[side])
            continue;
        if (chord.action == Action::Trash)
            trashShown(side);
        else if (chord.action == Action::StopAutoAdvance)
            m_panes[side]->stopAutoAdvance();
        else if (chord.action == Action::StartAutoAdvance)
            m_panes[side]->startAutoAdvance();
        else
            backToTop(side);
    }
}

void CPreFrame::keyPressEvent(QKeyEvent *event)
{
    m_held.press(event->key(), event->isAutoRepeat());
    // Any key but the flicker's own stops the flicker (and then does what it does).
    if (m_modes->isFlickering() && !event->isAutoRepeat()
        && chordFor(event->key(), m_held).action != ChordCommand::Action::ToggleFlicker)
        m_modes->stopFlicker();
    if (!event->isAutoRepeat()) {
        runChord(chordFor(event->key(), m_held));
    } else if (!m_repeatPending) {
        // A key held down repeats its command, as holding ↓ to run through a list expects. Repeats
        // that piled up while a large picture was read are dropped, so that the viewer stops soon
        // after the key is let go instead of working through a backlog.
        m_repeatPending = true;
        const int key = event->key();
        QMetaObject::invokeMethod(
            this,
            [this, key] {
                m_repeatPending = false;
                runChord(chordFor(key, m_held));
            },
            Qt::QueuedConnection);
    }
    QMainWindow::keyPressEvent(event);
}

void CPreFrame::keyReleaseEvent(QKeyEvent *event)
{
    m_held.release(event->key(), event->isAutoRepeat());
    QMainWindow::keyReleaseEvent(event);
}

void CPreFrame::changeEvent(QEvent *event)
{
    // Keys released while another window (a message box, say) had the focus never report it.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_held.releaseAll();
    QMainWindow::changeEvent(event);
}

void CPreFrame::closeEvent(QCloseEvent *event)
{
    event->ignore();
    closeViewer();
}

void CPreFrame::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    applySizeRule();
}

void CPreFrame::applySizeRule()
{
    const int w = ViewerGeometry::paneWidth(width());
    if (w < 0)
        return;
    m_splitter->setSizes({w, w});
    for (QLabel *label : m_status)
        label->setFixedWidth(w);
}

} // namespace Duovue
