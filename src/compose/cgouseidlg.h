#pragma once

#include <array>
#include <functional>

#include <QDialog>
#include <QHash>
#include <QImage>
#include <QString>

#include "compose/compositestate.h"
#include "compose/compositor.h"
#include "imaging/imageinfo.h"

class QAction;
class QMenu;

namespace Duovue
{

class SettingsStore;
class UserPrompts;

/// The compositing window: the left picture scaled to the composite size fills the window, and the
/// right picture, laid over it at a position and size the user adjusts, replaces the left one's
/// pixels on bands of rows, bands of columns or a grid of dots, so that small differences stand
/// out. Left drag or the arrow keys slide the right picture; with Shift they resize it. The context
/// menu "Gou_con" switches method, ratio and aspect mode, puts the right picture back, runs the pair
/// tools and saves the composite as JPEG or BMP.
///
/// Modes start from the "合成" settings each time the window opens; changes last for this opening.
/// Arrow keys held down are tracked from their press and release events (auto-repeat ignored) and
/// all count as released when the window loses the focus.
///
/// Thread: GUI thread. Keeps implicitly shared copies of the two pictures.
class CGouseiDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CGouseiDlg)

public:
    /// The left picture of the pair must be at least CompositeState::MinimumLeftWidth wide (see
    /// open()). The infos name the files in the window's accessible description.
    CGouseiDlg(const QImage &left,
        const ImageInfo &leftInfo,
        const QImage &right,
        const ImageInfo &rightInfo,
        const SettingsStore &settings,
        UserPrompts &prompts,
        QWidget *parent = nullptr);
    ~CGouseiDlg() override;

    /// Opens the window modally for the pair, unless the left picture is too narrow, which is
    /// reported ("画像が小さ過ぎます") instead. @p saveFolder is where the save dialog opens (empty:
    /// the Pictures folder); it is updated to the folder of the last save. @p connectPairTools, when
    /// set, is called with the window before it shows, to connect pairToolRequested().
    static void open(const QImage &left,
        const ImageInfo &leftInfo,
        const QImage &right,
        const ImageInfo &rightInfo,
        const SettingsStore &settings,
        UserPrompts &prompts,
        QString &saveFolder,
        QWidget *parent,
        const std::function<void(CGouseiDlg &)> &connectPairTools = {});

    const CompositeState &state() const { return m_state; }
    /// The composite as the window shows it now.
    const QImage &composite();
    /// The context menu's action for @p commandId (commandtable.h), or nullptr.
    QAction *action(int commandId) const { return m_actions.value(commandId); }
    QMenu *contextMenu() const { return m_menu; }

    /// The folder the save dialog opens in; after a save, the saved file's folder.
    QString saveFolder() const { return m_saveFolder; }
    void setSaveFolder(const QString &folder) { m_saveFolder = folder; }

public Q_SLOTS:
    /// "名前を付けて保存(&S)": asks for a name and saves the composite; a failure is reported.
    void save();

Q_SIGNALS:
    /// A pair tool of the context menu was chosen (IdBinaryCompare, IdDifferenceAnalysis or
    /// IdJpegCompare, the main menu's commands); the owner runs them as the main menu does.
    void pairToolRequested(int commandId);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void buildMenu();
    /// The state changed: new caption, checks and description, and a repaint.
    void stateChanged();
    void releaseAllArrows();
    HeldArrows heldArrows() const;

    UserPrompts &m_prompts;
    const ImageInfo m_leftInfo;
    const ImageInfo m_rightInfo;
    const CompositeOptions m_options; // as the settings were at opening
    CompositeState m_state;
    Compositor m_compositor;
    bool m_compositeStale = true;

    std::array<bool, 4> m_held{}; // indexed by Arrow
    bool m_dragging = false;
    QPoint m_lastPoint;

    QMenu *m_menu = nullptr;
    QHash<int, QAction *> m_actions;
    QString m_saveFolder;
};

} // namespace Duovue
