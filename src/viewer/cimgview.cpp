#include "viewer/cimgview.h"

#include <utility>

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QtConcurrent/QtConcurrentRun>

#include "core/userprompts.h"
#include "document/cduovuedoc.h"
#include "imaging/cpreviewdlg.h"
#include "imaging/panegeometry.h"
#include "resources/missingfilepicture.h"

namespace Duovue
{

namespace
{

QString toolTipHtml(const QString &plain)
{
    // Rich text so that the tooltip keeps the text's runs of spaces and takes the pane's font.
    QString html = plain.toHtmlEscaped();
    html.replace(QLatin1String("\n"), QLatin1String("<br>"));
    return QStringLiteral("<p style=\"white-space:pre; font-family:'Noto Sans CJK JP'; font-size:9pt\">") + html
        + QStringLiteral("</p>");
}

} // namespace

CImgView::CImgView(CDuovueDoc &document, UserPrompts &prompts, int paneIndex, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
    , m_prompts(prompts)
    , m_paneIndex(paneIndex)
{
    Q_ASSERT(paneIndex >= 0 && paneIndex < CDuovueDoc::PaneCount);
    setObjectName(QStringLiteral("PicturePane%1").arg(paneIndex));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(1, 1);
    setAccessibleName(side() == 0 ? QStringLiteral("左の画像") : QStringLiteral("右の画像"));

    m_toolTipTimer.setSingleShot(true);
    m_toolTipTimer.setInterval(ToolTipDelayMs);
    connect(&m_toolTipTimer, &QTimer::timeout, this, &CImgView::showToolTip);
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &CImgView::backgroundLoadFinished);
    connect(&document, &CDuovueDoc::paneChanged, this, [this](int pane) {
        if (pane == m_paneIndex)
            contentChanged();
    });
    // A list emptied or replaced (a new fill, a new document) makes every running load stale.
    connect(&document, &CDuovueDoc::listAboutToBeReset, this, [this](int side) {
        if (side == this->side())
            dropBackgroundLoads();
    });
}

const PaneContent &CImgView::content() const
{
    return m_document.pane(m_paneIndex);
}

CImgView::~CImgView()
{
    // A running ReadPicture owns all its data; it is told to stop, and its result is never looked
    // at. The pool thread is joined at exit, which must not wait for a large decode.
    cancelRunningLoad();
    m_watcher.disconnect(this);
    if (m_popup)
        m_popup->close();
}

void CImgView::setDisplayMode(DisplayMode mode)
{
    if (m_displayMode == mode)
        return;
    m_displayMode = mode;
    invalidateScaled();
    update();
}

QImage CImgView::bitmap() const
{
    return content().missingFile ? MissingFileBitmap() : content().picture;
}

QString CImgView::toolTipText() const
{
    return QString(content().informationText).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

bool CImgView::loadPicture(int index)
{
    const FileList &list = m_document.fileList(side());
    if (index < 0 || index >= list.size())
        return false;
    dropBackgroundLoads();
    const Result<LoadOutcome> outcome = m_document.loadPicture(m_paneIndex, index);
    if (!outcome.ok())
        return false;
    Q_EMIT pictureLoaded(m_paneIndex, index, outcome.value());
    return outcome.value() == LoadOutcome::Loaded;
}

bool CImgView::loadPicture(int index, Result<DecodedPicture> read)
{
    const FileList &list = m_document.fileList(side());
    if (index < 0 || index >= list.size())
        return false;
    dropBackgroundLoads();
    const LoadOutcome outcome = m_document.applyPictureLoad(m_paneIndex, index, std::move(read));
    Q_EMIT pictureLoaded(m_paneIndex, index, outcome);
    return outcome == LoadOutcome::Loaded;
}

void CImgView::requestPicture(int index)
{
    const FileList &list = m_document.fileList(side());
    if (index < 0 || index >= list.size())
        return;
    // As with a synchronous load, the pane shows no picture from here until the load is done, and
    // the pair tools see no good picture meanwhile.
    m_document.clearPane(m_paneIndex);
    m_pendingIndex = index;
    if (!m_loadInFlight)
        startPendingLoad();
    else
        cancelRunningLoad(); // its result gives way to this request anyway
}

void CImgView::startPendingLoad()
{
    // Only one decode runs per pane; requests made meanwhile collapse into the newest one, so that
    // holding an arrow key down in the list does not queue a decode per row.
    const int index = std::exchange(m_pendingIndex, -1);
    const FileList &list = m_document.fileList(side());
    if (index < 0 || index >= list.size())
        return;
    m_runningIndex = index;
    m_runningPath = list.fullPath(index);
    m_runningGeneration = m_generation;
    m_runningCancel = std::make_shared<std::atomic<bool>>(false);
    m_loadInFlight = true;
    m_watcher.setFuture(QtConcurrent::run([path = m_runningPath, cancel = m_runningCancel] {
        return ReadPicture(path, cancel.get());
    }));
}

void CImgView::cancelRunningLoad()
{
    if (m_runningCancel)
        m_runningCancel->store(true);
}

void CImgView::backgroundLoadFinished()
{
    m_loadInFlight = false;
    // A request made while this load ran waited for it, even when the load itself went stale (the
    // list was refilled meanwhile): dropping it too would leave the pane blank (#8).
    if (m_pendingIndex >= 0) {
        startPendingLoad();
        return;
    }
    if (m_runningGeneration != m_generation)
        return; // a synchronous load or a clear came in between
    const FileList &list = m_document.fileList(side());
    // The list may have been sorted or cut while the file was read: apply the result only to the
    // entry it was read for.
    if (m_runningIndex >= list.size() || list.fullPath(m_runningIndex) != m_runningPath)
        return;
    const LoadOutcome outcome = m_document.applyPictureLoad(m_paneIndex, m_runningIndex, m_watcher.future().result());
    Q_EMIT pictureLoaded(m_paneIndex, m_runningIndex, outcome);
}

void CImgView::dropBackgroundLoads()
{
    ++m_generation;
    m_pendingIndex = -1;
    cancelRunningLoad();
}

bool CImgView::isLoading() const
{
    // Not the watcher's isRunning(): the decode ends on its thread before the pane gets its result.
    return m_pendingIndex >= 0 || (m_loadInFlight && m_runningGeneration == m_generation);
}

void CImgView::contentChanged()
{
    invalidateScaled();
    // The pane is painted, so a screen reader learns which file it shows only from here.
    setAccessibleDescription(hasPicture() ? imageInfo().path : QString());
    if (!hasPicture()) {
        m_toolTipTimer.stop();
        if (underMouse())
            QToolTip::hideText();
    } else if (QToolTip::isVisible() && underMouse()) {
        showToolTip();
    }
    update();
}

void CImgView::clearPicture()
{
    dropBackgroundLoads();
    m_document.clearPane(m_paneIndex);
}

void CImgView::replacePicture(const QImage &picture)
{
    m_document.setPanePicture(m_paneIndex, picture);
}

void CImgView::showListEntry(int index)
{
    if (m_paneIndex < 2 && isPopupOpen())
        return;
    requestPicture(index);
}

CPreviewDlg *CImgView::previewPopup() const
{
    return m_popup;
}

bool CImgView::isPopupOpen() const
{
    // A closed popup is deleted a moment later; until then it is hidden, and no longer counts.
    return m_popup && m_popup->isVisible();
}

void CImgView::openPreviewPopup()
{
    if (m_paneIndex > 1 || !hasPicture() || isPopupOpen())
        return;
    const ImageInfo &info = content().info;
    if (info.width < MinimumPopupWidth) {
        m_prompts.error(QStringLiteral("画像が小さ過ぎます。"), Captions::error());
        return;
    }
    // What is left of an earlier opening goes first.
    if (m_popup)
        m_popup->close();
    m_popup = new CPreviewDlg(m_paneIndex, bitmap(), QSize(info.width, info.height), info.path, window());
    m_popup->place(screen());
    m_popup->show();
    m_popup->raise();
    m_popup->activateWindow();
}

void CImgView::invalidateScaled()
{
    m_scaled = QPixmap();
}

void CImgView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!hasPicture())
        return;
    const QImage shown = bitmap();
    const QRect target = PaneGeometry::fitToWindow(size(), shown.size());
    if (target.isEmpty())
        return;
    // Scaling a large picture is costly: do it once per picture and pane size, with a filter that
    // averages (a plain nearest-pixel scale would alias fine detail away).
    if (m_scaled.size() != target.size())
        m_scaled = QPixmap::fromImage(shown.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.drawPixmap(target.topLeft(), m_scaled);
}

void CImgView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    invalidateScaled();
}

bool CImgView::event(QEvent *event)
{
    // The pane shows its own tooltip after its own delay.
    if (event->type() == QEvent::ToolTip)
        return true;
    return QWidget::event(event);
}

void CImgView::mousePressEvent(QMouseEvent *event)
{
    m_toolTipTimer.stop();
    if (event->button() == Qt::RightButton) {
        // A right press refreshes the tooltip's text.
        if (QToolTip::isVisible())
            showToolTip();
        return;
    }
    QToolTip::hideText();
    if (event->button() == Qt::LeftButton && m_displayMode == DisplayMode::PreviewFit)
        openPreviewPopup();
}

void CImgView::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    if (event->buttons() == Qt::NoButton && !QToolTip::isVisible())
        m_toolTipTimer.start();
}

void CImgView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_toolTipTimer.stop();
}

void CImgView::showToolTip()
{
    if (m_displayMode != DisplayMode::PreviewFit || !underMouse())
        return;
    const QString text = toolTipText();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(), toolTipHtml(text), this, rect());
}

} // namespace Duovue
