#pragma once

#include <array>
#include <memory>

#include <QHash>
#include <QMainWindow>
#include <QPointer>

namespace Duovue
{

class CDuovueApp;
class CMySplitterWnd;
class GuiFillHost;
class ListFillHost;

/// The main window: menu, toolbar and the fixed layout of two control forms, two preview panes and
/// two file lists; the title with the document name and the result-mode mark.
///
/// Thread: GUI thread. Owns its child widgets through the Qt tree; the application object owns it.
class CMainFrame final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainFrame)

public:
    static constexpr int MinimumWidth = 800;
    static constexpr int MinimumHeight = 600;

    explicit CMainFrame(CDuovueApp &app, QWidget *parent = nullptr);
    ~CMainFrame() override;

    CDuovueApp &app() const { return m_app; }

    /// The action of a command number (see commandids.h), or nullptr.
    QAction *action(int commandId) const { return m_actions.value(commandId); }

    /// Title of the current document ("無題" for a new one).
    QString documentTitle() const { return m_documentTitle; }
    void setDocumentTitle(const QString &title);
    /// Applies "<document> - Duovue", with " ※比較モード" while the lists hold search results.
    void updateTitle();

    /// Empties both lists and the preview panes, resets both comparison positions and ends result mode.
    void newDocument();
    /// After a FileList changed: brings that side's list view and count labels up to date.
    void refreshList(int side);
    /// Shows or hides the width and height columns of both lists (search results).
    void setResultColumns(bool shown);

    /// Opens @p path as the document (a dropped ".duov" file). Documents are not built yet: does
    /// nothing.
    void openDocumentFile(const QString &path);
    /// Files and folders dropped on the list of @p side: added as the side's control form says, or a
    /// single ".duov" file opened as the document.
    void addDroppedPaths(int side, const QStringList &paths);
    /// What the fills and drops of the lists need of this window (progress dialog, refreshes).
    ListFillHost &fillHost();

    QWidget *listView(int side) const { return m_listViews[side]; }
    QWidget *controlForm(int side) const { return m_controlForms[side]; }
    QWidget *picturePane(int side) const { return m_picturePanes[side]; }

    /// Lays the panes out by the size rule; public so tests can check the arithmetic.
    void applySizeRule();

Q_SIGNALS:
    /// Emitted after the lists were emptied by newDocument().
    void documentCleared();

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
    void applyPlacement();
    void rebuildRecentFilesMenu();

    // Factories of the panes of the fixed layout.
    QWidget *createListView(int side);
    QWidget *createControlForm(int side);
    QWidget *createPicturePane(int side);
    void clearPicturePane(int side);

    QAction *addCommand(int id, const QString &text, const QString &toolTip = QString());

    CDuovueApp &m_app;
    QString m_documentTitle;
    QHash<int, QAction *> m_actions;
    QPointer<QMenu> m_fileMenu;
    QPointer<QAction> m_recentSeparator;
    QList<QAction *> m_recentActions;
    QPointer<QToolBar> m_toolbar;
    std::array<CMySplitterWnd *, 5> m_splitters{};
    std::array<QWidget *, 2> m_listViews{};
    std::array<QWidget *, 2> m_controlForms{};
    std::array<QWidget *, 2> m_picturePanes{};
    std::unique_ptr<GuiFillHost> m_fillHost;
};

} // namespace Duovue
