#include "lists/cprogdlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace Duovue
{

namespace
{

// A small picture card: frame, sky, sun and a mountain.
void drawCard(QPainter &p, const QRectF &r, bool lit)
{
    p.setPen(QPen(lit ? QColor(30, 90, 200) : QColor(120, 120, 120), lit ? 2 : 1));
    p.setBrush(QColor(215, 235, 255));
    p.drawRoundedRect(r, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 190, 40));
    p.drawEllipse(QPointF(r.right() - 9, r.top() + 9), 4.5, 4.5);
    QPainterPath hill;
    hill.moveTo(r.left() + 2, r.bottom() - 2);
    hill.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.38);
    hill.lineTo(r.left() + r.width() * 0.62, r.top() + r.height() * 0.62);
    hill.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.5);
    hill.lineTo(r.right() - 2, r.bottom() - 2);
    hill.closeSubpath();
    p.setBrush(QColor(70, 150, 70));
    p.drawPath(hill);
}

QPixmap drawFrame(int frame)
{
    QPixmap pm(CProgDlg::FrameWidth, CProgDlg::FrameHeight);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Two pictures being compared, and a dot running from one to the other along a dotted track.
    drawCard(p, QRectF(4.5, 8.5, 40, 37), frame < 2);
    drawCard(p, QRectF(123.5, 8.5, 40, 37), frame >= 8);
    const int stops = CProgDlg::FrameCount;
    const double x0 = 52, x1 = 116;
    for (int i = 0; i < stops; ++i) {
        const double x = x0 + (x1 - x0) * i / (stops - 1);
        const bool current = i == frame;
        const bool trail = i < frame && frame - i <= 2;
        p.setPen(Qt::NoPen);
        p.setBrush(current ? QColor(30, 90, 200) : (trail ? QColor(140, 175, 230) : QColor(200, 200, 200)));
        const double radius = current ? 4.0 : 2.2;
        p.drawEllipse(QPointF(x, 27), radius, radius);
    }
    return pm;
}

} // namespace

QList<QPixmap> CProgDlg::animationFrames()
{
    QList<QPixmap> frames;
    for (int i = 0; i < FrameCount; ++i)
        frames.append(drawFrame(i));
    return frames;
}

CProgDlg::CProgDlg(std::atomic<bool> &abortRequested, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_abortRequested(abortRequested)
    , m_frames(animationFrames())
{
    setObjectName(QStringLiteral("CProgDlg"));
    setWindowTitle(QStringLiteral("処理中"));
    setModal(false);

    auto *text = new QLabel(QStringLiteral("ただいま処理中です。"), this);
    m_animation = new QLabel(this);
    m_animation->setObjectName(QStringLiteral("Animation"));
    m_animation->setFixedSize(FrameWidth, FrameHeight);
    m_animation->setPixmap(m_frames.first());
    m_abort = new QPushButton(QStringLiteral("中　止 (&A)"), this);
    m_abort->setObjectName(QStringLiteral("AbortButton"));
    m_abort->setDefault(true);
    connect(m_abort, &QPushButton::clicked, this, &CProgDlg::requestAbort);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_animation, 0, Qt::AlignHCenter);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_abort);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CProgDlg::~CProgDlg()
{
    setInputHeld(false);
}

void CProgDlg::requestAbort()
{
    m_abortRequested = true;
}

void CProgDlg::reject()
{
    // Esc or the window's close: the work decides when the dialog goes, so this only asks it to stop.
    requestAbort();
}

void CProgDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_frame = 0;
    m_animation->setPixmap(m_frames.first());
    m_timer.start(FrameIntervalMs, this);
    setInputHeld(true);
}

void CProgDlg::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    setInputHeld(false);
    QDialog::hideEvent(event);
}

void CProgDlg::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    m_frame = (m_frame + 1) % FrameCount;
    m_animation->setPixmap(m_frames.at(m_frame));
}

void CProgDlg::setInputHeld(bool held)
{
    if (held == m_inputHeld)
        return;
    m_inputHeld = held;
    if (held)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool CProgDlg::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close: {
        // Input reaches a window twice: first its QWindow, then the widget inside it. Everything
        // that belongs to this dialog passes; anything else, including the actions that shortcuts
        // trigger, is held back.
        bool ours = false;
        if (const auto *widget = qobject_cast<QWidget *>(watched))
            ours = widget->window() == this;
        else if (const auto *window = qobject_cast<QWindow *>(watched))
            ours = window == windowHandle();
        if (ours)
            break;
        if (event->type() == QEvent::Close) {
            // Only the user's closing of a window is held back, not tool tips or popups going away.
            const auto *widget = qobject_cast<QWidget *>(watched);
            if (!widget || !widget->isWindow() || widget->windowType() == Qt::ToolTip
                || widget->windowType() == Qt::Popup)
                break;
        }
        event->ignore();
        return true;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace Duovue
