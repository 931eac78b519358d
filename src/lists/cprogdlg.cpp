#include "lists/cprogdlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QWindow>

#include "resources/progressframes.h"

namespace Duovue
{

CProgDlg::CProgDlg(std::atomic<bool> &abortRequested, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_abortRequested(abortRequested)
    , m_frames(ProgressFrames::frames())
{
    setObjectName(QStringLiteral("CProgDlg"));
    setWindowTitle(QStringLiteral("処理中"));
    setModal(false);

    auto *text = new QLabel(QStringLiteral("ただいま処理中です。"), this);
    m_animation = new QLabel(this);
    m_animation->setObjectName(QStringLiteral("Animation"));
    m_animation->setFixedSize(ProgressFrames::Width, ProgressFrames::Height);
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
    m_frame = (m_frame + 1) % ProgressFrames::Count;
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
