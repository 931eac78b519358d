#pragma once

#include <array>
#include <memory>

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include "document/commandcontext.h"

namespace Duovue
{

class CMySplitterWnd;
class CPreFrame;
class DocumentFileCommands;
class GuiFillProgress;
class RecentFiles;

/// The main window: menu, toolbar and the fixed layout of two control forms, two preview panes and
/// two file lists; its title follows the document. It is the one place that runs the commands,
/// each with the context of the document, the services and this window as dialog owner.
///
/// Thread: GUI thread. Owns its child widgets through the Qt tree; the application object owns it
/// and what @p services and @p recentFiles name, which outlive it.
class CMainFrame final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainFrame)

public:
    static constexpr int MinimumWidth = 800;
    static constexpr int MinimumHeight = 600;

    CMainFrame(const CommandContext &services, RecentFiles &recentFiles, QWidget *parent = nullptr);
    ~CMainFrame() override;

    /// What this window's commands receive; the dialog owner is this window.
    const CommandContext &context() const { return m_context; }

    /// The action of a main-menu command (resources/commandtable.h), or nullptr.
    QAction *action(int commandId) const { return m_actions.value(commandId); }

    /// Opens @p path as the document (the command line, a recent file, a dropped ".duov" file),
    /// after asking about a modified document. False when the document stayed as it was.
    bool openDocumentFile(const QString &path);
    /// Files and folders dropped on the list of @p side: added as the side's control form says, or a
    /// single ".duov" file opened as the document.
    void addDroppedPaths(int side, const QStringList &paths);
    /// The progress dialog of the fills and drops.
    GuiFillProgress &fillProgress() const { return *m_fillProgress; }

    QWidget *listView(int side) const { return m_listViews[side]; }
    QWidget *controlForm(int side) const { return m_controlForms[side]; }
    QWidget *picturePane(int side) const { return m_picturePanes[side]; }
    /// The comparison viewer, made hidden with this window.
    CPreFrame *viewer() const { return m_viewer; }

    /// Lays the panes out by the size rule; public so tests can check the arithmetic.
    void applySizeRule();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolbar();
    void createLayout();
    void createViewer();
    void applyPlacement();
    void rebuildRecentFilesMenu();
    /// Runs a File menu command and brings the recent-file entries up to date afterwards.
    void runFileCommand(bool (DocumentFileCommands::*command)());
    void runSettings();
    void runUpdateCheck();

    // Factories of the panes of the fixed layout.
    QWidget *createListView(int side);
    QWidget *createControlForm(int side);
    QWidget *createPicturePane(int side);

    CommandContext m_context;
    RecentFiles &m_recentFiles;
    QHash<int, QAction *> m_actions;
    QPointer<QMenu> m_fileMenu;
    QPointer<QAction> m_recentSeparator;
    QList<QAction *> m_recentActions;
    QPointer<QToolBar> m_toolbar;
    std::array<CMySplitterWnd *, 5> m_splitters{};
    std::array<QWidget *, 2> m_listViews{};
    std::array<QWidget *, 2> m_controlForms{};
    std::array<QWidget *, 2> m_picturePanes{};
    std::unique_ptr<GuiFillProgress> m_fillProgress;
    CPreFrame *m_viewer = nullptr;
    std::unique_ptr<DocumentFileCommands> m_fileCommands;
};

} // namespace Duovue
