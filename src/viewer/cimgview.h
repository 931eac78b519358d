#pragma once

#include <atomic>
#include <memory>

#include <QFutureWatcher>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "core/result.h"
#include "imaging/pictureloader.h"

namespace Duovue
{

class CDuovueDoc;
class CPreviewDlg;
class UserPrompts;

/// A picture pane: one of the main window's two preview panes (panes 0 and 1, `PreviewFit`) or one
/// of the comparison viewer's two panes (panes 2 and 3). It shows what the document holds for its
/// pane (picture, information record and text) and follows the document's paneChanged; it loads
/// list entries of its side (pane index modulo 2) through the document.
///
/// In `PreviewFit` the picture is fitted to the pane, the information text shows as a tooltip, and
/// a left click opens the actual-size preview popup (CPreviewDlg).
///
/// Thread: GUI thread. Background loads run ReadPicture on a pool thread with their own copy of
/// the path and of a cancel flag; the result is handed to the document on the GUI thread, and
/// dropped when a newer request or a change of the list made it stale. A decode whose result will
/// be dropped is cancelled, so that neither the next picture nor the program's exit waits for it.
/// Does not own the document, which must outlive it.
class CImgView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CImgView)

public:
    enum class DisplayMode { PreviewFit = 0, ActualSize = 1, FitToWindow = 2 };

    /// Hovering this long over the pane shows its information text.
    static constexpr int ToolTipDelayMs = 800;
    /// A picture narrower than this is refused by the preview popup.
    static constexpr int MinimumPopupWidth = 30;

    CImgView(CDuovueDoc &document, UserPrompts &prompts, int paneIndex, QWidget *parent = nullptr);
    ~CImgView() override;

    int paneIndex() const { return m_paneIndex; }
    int side() const { return m_paneIndex % 2; }

    DisplayMode displayMode() const { return m_displayMode; }
    void setDisplayMode(DisplayMode mode);

    /// The bitmap the pane shows: the picture, the missing-file placeholder, or a null image.
    QImage bitmap() const;
    bool hasPicture() const { return content().hasPicture(); }
    const ImageInfo &imageInfo() const { return content().info; }
    const QString &informationText() const { return content().informationText; }
    /// The information text as the tooltip shows it (lines separated by "\n").
    QString toolTipText() const;

    /// Loads entry @p index of this pane's side now and returns whether a picture was loaded
    /// (false also for an index outside the list, which changes nothing). Drops any background
    /// load in progress.
    bool loadPicture(int index);
    /// Shows entry @p index from a read made elsewhere (a prefetch of the same file), as loadPicture
    /// would after its own read.
    bool loadPicture(int index, Result<DecodedPicture> read);
    /// Loads entry @p index in the background. The pane is empty until the load finishes; a
    /// newer request replaces this one.
    void requestPicture(int index);
    /// Empties the pane: picture, information text and record, tooltip. Drops background loads.
    void clearPicture();
    /// A background load is running or waiting, or its result has yet to reach the pane.
    bool isLoading() const;
    /// Shows @p picture (Format_RGB32) in place of the loaded one: a rotation, flip, colour or
    /// brightness change of the viewer. The information record stays that of the file.
    void replacePicture(const QImage &picture);

    /// The open preview popup, or nullptr.
    CPreviewDlg *previewPopup() const;
    /// The preview popup is shown: list focus changes wait until it closes.
    bool isPopupOpen() const;

public Q_SLOTS:
    /// A row of this side's list got the focus: show it here, unless the preview popup is open.
    void showListEntry(int index);
    /// Left-click behaviour of a preview pane: opens the actual-size popup, refuses pictures that
    /// are too narrow, does nothing without a picture or while the popup is open.
    void openPreviewPopup();

Q_SIGNALS:
    /// A load finished and was applied (synchronous or background).
    void pictureLoaded(int paneIndex, int index, Duovue::LoadOutcome outcome);

protected:
    const PaneContent &content() const;

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void contentChanged();
    void startPendingLoad();
    void backgroundLoadFinished();
    void dropBackgroundLoads();
    void cancelRunningLoad();
    void showToolTip();
    void invalidateScaled();

    CDuovueDoc &m_document;
    UserPrompts &m_prompts;
    const int m_paneIndex;
    DisplayMode m_displayMode = DisplayMode::PreviewFit;
    QPixmap m_scaled; // the fitted bitmap at its drawn size, made once per picture and pane size

    QFutureWatcher<Result<DecodedPicture>> m_watcher;
    quint64 m_generation = 0; // bumped whenever running loads become stale
    quint64 m_runningGeneration = 0;
    int m_runningIndex = -1;
    QString m_runningPath;
    std::shared_ptr<std::atomic<bool>> m_runningCancel; // shared with the running decode
    bool m_loadInFlight = false; // started, and its finished signal not handled yet
    int m_pendingIndex = -1;

    QTimer m_toolTipTimer;
    QPointer<CPreviewDlg> m_popup;
};

} // namespace Duovue
