#include "mainframe/cmainframe.h"

#include <span>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "compose/composecommand.h"
#include "core/appsettings.h"
#include "core/fileassociation.h"
#include "core/recentfiles.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/documentfilecommand.h"
#include "document/listfill.h"
#include "lists/ccontdlgview.h"
#include "lists/cduovueview.h"
#include "lists/droppedpaths.h"
#include "lists/guifillprogress.h"
#include "lists/listcommand.h"
#include "mainframe/cmysplitterwnd.h"
#include "pairtools/cnothingdlg.h"
#include "pairtools/pairtoolscommand.h"
#include "resources/commandtable.h"
#include "resources/toolbaricons.h"
#include "search/searchcommand.h"
#include "settings/csettingdlg.h"
#include "update/cupdatecheckdlg.h"
#include "viewer/cimgview.h"
#include "viewer/cpreframe.h"
#include "widgets/frameplacement.h"

namespace Duovue
{

namespace
{

// The main window's menus and toolbar, by command (0: a separator). The recent files go where the
// File menu names IdFileMruFirst, between two separators.
constexpr int Separator = 0;
constexpr int FileMenu[] = {IdFileNew, IdFileOpen, IdFileSave, IdFileSaveAs, Separator, IdFileMruFirst, IdAppExit};
constexpr int ViewMenu[] = {IdViewToolbar};
constexpr int ToolsMenu[] = {IdCompose,
    IdViewerOpen,
    Separator,
    IdBinaryCompare,
    IdDifferenceAnalysis,
    IdJpegCompare,
    Separator,
    IdExistenceCheck,
    IdSimilarSearch,
    Separator,
    IdSettings};
constexpr int HelpMenu[] = {IdHelp, Separator, IdUpdateCheck, Separator, IdAppAbout};
struct Menu {
    const char *title;
    std::span<const int> items;
};
constexpr Menu MainMenus[] = {{QT_TRANSLATE_NOOP("Duovue::CMainFrame", "ファイル(&F)"), FileMenu},
    {QT_TRANSLATE_NOOP("Duovue::CMainFrame", "表示(&V)"), ViewMenu},
    {QT_TRANSLATE_NOOP("Duovue::CMainFrame", "ツール(&T)"), ToolsMenu},
    {QT_TRANSLATE_NOOP("Duovue::CMainFrame", "ヘルプ(&H)"), HelpMenu}};
constexpr int ToolbarButtons[] = {IdFileNew,
    IdFileOpen,
    IdFileSave,
    Separator,
    IdCompose,
    IdViewerOpen,
    Separator,
    IdBinaryCompare,
    IdDifferenceAnalysis,
    IdJpegCompare,
    Separator,
    IdSimilarSearch,
    Separator,
    IdHelp};

// The frame's own drop rule, for drops that miss the lists: exactly one file whose extension is
// exactly "duov" (lower case) is opened as the document; anything else is refused.
QString frameDropDocument(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().first().isLocalFile())
        return QString();
    const QString path = mime->urls().first().toLocalFile();
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && QStringView(path).mid(dot + 1) == u"duov" ? path : QString();
}

} // namespace

CMainFrame::CMainFrame(const CommandContext &services, RecentFiles &recentFiles, QWidget *parent)
    : QMainWindow(parent)
    , m_context{services.document, services.session, services.settings, services.prompts, services.shell, this}
    , m_recentFiles(recentFiles)
    , m_fillProgress(std::make_unique<GuiFillProgress>(services.session.abortRequested, this))
    , m_fileCommands(std::make_unique<DocumentFileCommands>(m_context, recentFiles, [this](const QString &text) {
        return CNothingDlg::showNotice(text, this);
    }))
{
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowIcon(ToolbarIcons::programIcon());
    setMinimumSize(MinimumWidth, MinimumHeight);
    // Drops on the rows of a list are the list's; a drop anywhere else reaches the frame, which
    // takes only a single ".duov" document.
    setAcceptDrops(true);

    createActions();
    createMenus();
    createToolbar();
    createLayout();
    applyPlacement();
    createViewer();
    setWindowTitle(m_context.document.windowTitle());
    connect(&m_context.document, &CDuovueDoc::titleChanged, this, &QWidget::setWindowTitle);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createViewer()
{
    // Made once, hidden, and centred over this window; IdViewerOpen shows it on the comparison
    // positions. Its panes' tool entries run this window's commands while they are enabled here.
    CPreFrame::Hooks hooks;
    hooks.runTool = [this](int id) {
        if (QAction *a = action(id); a && a->isEnabled())
            a->trigger();
    };
    hooks.toolEnabled = [this](int id) {
        const QAction *a = action(id);
        return a && a->isEnabled();
    };
    m_viewer = new CPreFrame(m_context, std::move(hooks));
    connect(action(IdViewerOpen), &QAction::triggered, m_viewer, &CPreFrame::open);
}

void CMainFrame::createActions()
{
    // An action for every command of the menus, as the command table describes it.
    for (const Menu &menu : MainMenus) {
        for (int id : menu.items) {
            if (id == Separator || id == IdFileMruFirst)
                continue;
            const Command &command = Commands::of(id);
            auto *a = new QAction(Commands::caption(id), this);
            a->setData(id);
            a->setToolTip(Commands::toolTip(id));
            a->setStatusTip(Commands::statusTip(id));
            if (command.shortcut != QKeyCombination())
                a->setShortcut(QKeySequence(command.shortcut));
            // Shortcuts act while any pane of the window has the focus, as accelerators do.
            a->setShortcutContext(Qt::WindowShortcut);
            m_actions.insert(id, a);
        }
    }
    action(IdViewToolbar)->setCheckable(true);

    // Help and About belong to the application object, which connects them.
    const std::pair<int, bool (DocumentFileCommands::*)()> fileCommands[] = {
        {IdFileNew, &DocumentFileCommands::newDocument},
        {IdFileOpen, &DocumentFileCommands::open},
        {IdFileSave, &DocumentFileCommands::save},
        {IdFileSaveAs, &DocumentFileCommands::saveAs},
    };
    for (const auto &entry : fileCommands) {
        const auto command = entry.second;
        connect(action(entry.first), &QAction::triggered, this, [this, command] {
            runFileCommand(command);
        });
    }
    const std::pair<int, void (*)(const CommandContext &)> contextCommands[] = {
        {IdSimilarSearch, &runSimilarImageSearch},
        {IdBinaryCompare, &runBinaryCompare},
        {IdDifferenceAnalysis, &runDifferenceAnalysis},
        {IdJpegCompare, &runJpegCompare},
        {IdExistenceCheck, &runExistenceCheck},
    };
    for (const auto &entry : contextCommands) {
        const auto command = entry.second;
        connect(action(entry.first), &QAction::triggered, this, [this, command] {
            command(m_context);
        });
    }
    connect(action(IdCompose), &QAction::triggered, this, [this] {
        // The window's pair tools are the main menu's commands.
        runCompose(m_context, [this](int commandId) {
            if (QAction *tool = action(commandId))
                tool->trigger();
        });
    });
    connect(action(IdSettings), &QAction::triggered, this, &CMainFrame::runSettings);
    connect(action(IdUpdateCheck), &QAction::triggered, this, &CMainFrame::runUpdateCheck);
    connect(action(IdAppExit), &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::createMenus()
{
    for (const Menu &layout : MainMenus) {
        QMenu *menu = menuBar()->addMenu(tr(layout.title));
        for (int id : layout.items) {
            if (id == Separator) {
                menu->addSeparator();
            } else if (id == IdFileMruFirst) {
                m_fileMenu = menu;
                m_recentSeparator = menu->addSeparator();
            } else {
                menu->addAction(action(id));
            }
        }
    }
    rebuildRecentFilesMenu();
}

void CMainFrame::rebuildRecentFilesMenu()
{
    if (!m_fileMenu)
        return;
    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    const QStringList &paths = m_recentFiles.paths();
    if (paths.isEmpty()) {
        auto *placeholder = new QAction(QStringLiteral("最近使ったファイル"), this);
        placeholder->setEnabled(false);
        m_recentActions.append(placeholder);
    } else {
        for (int i = 0; i < paths.size(); ++i) {
            auto *a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(paths.at(i)).fileName()), this);
            a->setData(IdFileMruFirst + i);
            a->setToolTip(paths.at(i));
            const QString path = paths.at(i);
            // Queued: opening rebuilds this menu, which deletes the action that is still signalling.
            connect(
                a,
                &QAction::triggered,
                this,
                [this, path] {
                    openDocumentFile(path);
                },
                Qt::QueuedConnection);
            m_recentActions.append(a);
        }
    }
    m_fileMenu->insertActions(m_recentSeparator, m_recentActions);
}

void CMainFrame::createToolbar()
{
    m_toolbar = new QToolBar(QStringLiteral("ツール バー"), this);
    m_toolbar->setObjectName(QStringLiteral("MainToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(18, 18));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (int id : ToolbarButtons) {
        if (id == Separator) {
            m_toolbar->addSeparator();
            continue;
        }
        action(id)->setIcon(ToolbarIcons::forCommand(id));
        m_toolbar->addAction(action(id));
        // A screen reader would otherwise read the menu caption with its shortcut column and
        // mnemonic; the button is known by its tooltip.
        m_toolbar->widgetForAction(action(id))->setAccessibleName(action(id)->toolTip());
    }
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    const bool shown = m_context.settings.value(AppSettings::ShowToolbar()) != 0;
    m_toolbar->setVisible(shown);
    QAction *toggle = action(IdViewToolbar);
    toggle->setChecked(shown);
    connect(toggle, &QAction::toggled, m_toolbar, &QToolBar::setVisible);
    connect(m_toolbar, &QToolBar::visibilityChanged, toggle, [this, toggle](bool visible) {
        // Minimising the window hides the toolbar too; only a real change of the user's choice counts.
        if (!isMinimized())
            toggle->setChecked(visible);
    });
}

void CMainFrame::createLayout()
{
    auto *s0 = new CMySplitterWnd(Qt::Horizontal, this);
    auto *s1 = new CMySplitterWnd(Qt::Vertical, s0);
    auto *s2 = new CMySplitterWnd(Qt::Vertical, s0);
    auto *s3 = new CMySplitterWnd(Qt::Horizontal, s1);
    auto *s4 = new CMySplitterWnd(Qt::Horizontal, s2);
    m_splitters = {s0, s1, s2, s3, s4};
    for (int i = 0; i < 5; ++i)
        m_splitters[i]->setObjectName(QStringLiteral("Splitter%1").arg(i));

    s0->addWidget(s1);
    s0->addWidget(s2);

    // The forms stand on the outer edges and the picture panes meet in the middle.
    m_controlForms[0] = createControlForm(0);
    m_picturePanes[0] = createPicturePane(0);
    m_picturePanes[1] = createPicturePane(1);
    m_controlForms[1] = createControlForm(1);
    s3->addWidget(m_controlForms[0]);
    s3->addWidget(m_picturePanes[0]);
    s4->addWidget(m_picturePanes[1]);
    s4->addWidget(m_controlForms[1]);

    m_listViews[0] = createListView(0);
    m_listViews[1] = createListView(1);
    static_cast<CDuovueView *>(m_listViews[0])->setPartner(static_cast<CDuovueView *>(m_listViews[1]));
    static_cast<CDuovueView *>(m_listViews[1])->setPartner(static_cast<CDuovueView *>(m_listViews[0]));
    s1->addWidget(s3);
    s1->addWidget(m_listViews[0]);
    s2->addWidget(s4);
    s2->addWidget(m_listViews[1]);

    for (CMySplitterWnd *s : m_splitters) {
        s->setSplitterLock(true);
        // The splitter lowers each widget it takes in, so a screen reader would walk every pair
        // from its last pane to its first, the right list before the left one: restore the order.
        for (int i = s->count() - 1; i >= 0; --i)
            s->widget(i)->lower();
    }
    setCentralWidget(s0);
}

QWidget *CMainFrame::createListView(int side)
{
    auto *view = new CDuovueView(m_context.document, m_context.settings, side, this);
    view->setMinimumHeight(0);
    view->setAccessibleName(side == 0 ? QStringLiteral("左のファイルリスト") : QStringLiteral("右のファイルリスト"));
    connect(view, &CMyVirtualListView::pathsDropped, this, [this, side](const QStringList &paths) {
        addDroppedPaths(side, paths);
    });
    // The list commands run like the others, with the list's selection as their target; not while
    // a fill or a file operation holds the lists.
    connect(view, &CDuovueView::commandRequested, this, [this, view](int id) {
        if (!m_fillProgress->isBusy())
            runListCommand(m_context, *m_fillProgress, view->commandTarget(), id);
    });
    connect(view, &CDuovueView::deleteKeyPressed, this, [this, view] {
        if (!m_fillProgress->isBusy())
            runListDeleteKey(m_context, *m_fillProgress, view->commandTarget());
    });
    connect(view, &CDuovueView::renameRequested, this, [this, side](int row, const QString &text) {
        runListRename(m_context, side, row, text);
    });
    if (auto *form = qobject_cast<CContDlgView *>(m_controlForms[side]))
        connect(view, &CMyVirtualListView::selectedCountChanged, form, &CContDlgView::setSelectedCount);
    if (auto *pane = qobject_cast<CImgView *>(m_picturePanes[side]))
        connect(view, &CMyVirtualListView::currentRowChanged, pane, &CImgView::showListEntry);
    return view;
}

QWidget *CMainFrame::createControlForm(int side)
{
    auto *form = new CContDlgView(side, m_context, *m_fillProgress, this);
    form->setMinimumWidth(0);
    return form;
}

QWidget *CMainFrame::createPicturePane(int side)
{
    // The list view feeds it (showListEntry when a row gets the focus); the document's paneChanged
    // repaints it.
    auto *pane = new CImgView(m_context.document, m_context.prompts, side, this);
    pane->setDisplayMode(CImgView::DisplayMode::PreviewFit);
    return pane;
}

void CMainFrame::applySizeRule()
{
    QWidget *client = centralWidget();
    if (!client || !client->isVisible())
        return;
    const int cx = client->width();
    const int handle0 = m_splitters[0]->handleWidth();
    if (cx > 16) {
        const int left = (cx - 16) / 2;
        m_splitters[0]->setSizes({left, qMax(0, cx - left - handle0)});
    }
    // Row 0 of both halves (form and picture pane) keeps its height; the lists take the rest.
    for (int s : {1, 2}) {
        const int h = m_splitters[s]->height();
        m_splitters[s]->setSizes({110, qMax(0, h - 110 - m_splitters[s]->handleWidth())});
    }
    // Left half: the form keeps 310 pixels and the picture pane takes the rest.
    const int w3 = m_splitters[3]->width();
    m_splitters[3]->setSizes({310, qMax(0, w3 - 310 - m_splitters[3]->handleWidth())});
    // Right half: the picture pane gets the width less 325, the form the rest.
    const int w = m_splitters[2]->width();
    if (w > 325)
        m_splitters[4]->setSizes({w - 325, qMax(0, 325 - m_splitters[4]->handleWidth())});
}

void CMainFrame::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    applySizeRule();
    // The halves' own widths are known only after splitter 0 laid them out.
    QMetaObject::invokeMethod(this, &CMainFrame::applySizeRule, Qt::QueuedConnection);
}

void CMainFrame::applyPlacement()
{
    // The stored placement and the minimum are outer measures, frame included.
    auto *placement = new FramePlacement(this, QSize(MinimumWidth, MinimumHeight));
    const SettingsStore &s = m_context.settings;
    if (s.value(AppSettings::MainPlacement()) != 0) {
        placement->place(s.value(AppSettings::MainLeft()),
            s.value(AppSettings::MainTop()),
            s.value(AppSettings::MainWidth()),
            s.value(AppSettings::MainHeight()));
    } else {
        resize(MinimumWidth, MinimumHeight);
    }
}

bool CMainFrame::openDocumentFile(const QString &path)
{
    const bool opened = m_fileCommands->openFile(path);
    rebuildRecentFilesMenu();
    return opened;
}

void CMainFrame::runFileCommand(bool (DocumentFileCommands::*command)())
{
    (m_fileCommands.get()->*command)();
    rebuildRecentFilesMenu();
}

void CMainFrame::runSettings()
{
    const FileAssociation association(AssociationPaths::fromEnvironment(), QCoreApplication::applicationFilePath());
    CSettingDlg dialog(m_context.settings, m_context.prompts, m_context.shell, association, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The toolbar follows the setting at once; the action's check follows the toolbar.
    m_toolbar->setVisible(m_context.settings.value(AppSettings::ShowToolbar()) != 0);
    applySizeRule();
    // The viewer panes take their interval and picture size at once, also while the viewer shows;
    // its placement and the compositing values are read when those windows open next.
    if (m_viewer)
        m_viewer->applySettings();
}

void CMainFrame::runUpdateCheck()
{
    CUpdateCheckDlg dialog(
        m_context.settings.value(AppSettings::UpdateBase()), m_context.prompts, m_context.shell, this);
    dialog.exec();
}

void CMainFrame::addDroppedPaths(int side, const QStringList &paths)
{
    // A drop that arrives while a scan runs (its event pump) waits for nobody: the lists are busy.
    if (m_fillProgress->isBusy())
        return;
    const auto *form = qobject_cast<CContDlgView *>(m_controlForms[side]);
    const FillOutcome outcome = AddDroppedPaths(m_context.document,
        m_context.session.abortRequested,
        *m_fillProgress,
        side,
        form ? form->options() : FillOptions(),
        paths);
    if (!outcome.documentToOpen.isEmpty())
        openDocumentFile(outcome.documentToOpen);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    DroppedPaths::acceptAsCopy(event, !frameDropDocument(event->mimeData()).isEmpty());
}

void CMainFrame::dragMoveEvent(QDragMoveEvent *event)
{
    DroppedPaths::acceptAsCopy(event, !frameDropDocument(event->mimeData()).isEmpty());
}

void CMainFrame::dropEvent(QDropEvent *event)
{
    const QString path = frameDropDocument(event->mimeData());
    if (!DroppedPaths::acceptAsCopy(event, !path.isEmpty()))
        return;
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            openDocumentFile(path);
        },
        Qt::QueuedConnection);
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (m_fileCommands->maySaveModified())
        event->accept();
    else
        event->ignore();
}

} // namespace Duovue
