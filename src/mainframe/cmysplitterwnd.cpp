#include "mainframe/cmysplitterwnd.h"

#include <QMouseEvent>

namespace Duovue
{

namespace
{

class LockableHandle final : public QSplitterHandle
{
public:
    LockableHandle(Qt::Orientation orientation, CMySplitterWnd *parent)
        : QSplitterHandle(orientation, parent)
        , m_owner(parent)
    {
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (m_owner->splitterLock())
            event->accept();
        else
            QSplitterHandle::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (m_owner->splitterLock())
            event->accept();
        else
            QSplitterHandle::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (m_owner->splitterLock())
            event->accept();
        else
            QSplitterHandle::mouseReleaseEvent(event);
    }

private:
    CMySplitterWnd *m_owner;
};

} // namespace

CMySplitterWnd::CMySplitterWnd(Qt::Orientation orientation, QWidget *parent)
    : QSplitter(orientation, parent)
{
    setChildrenCollapsible(false);
    setOpaqueResize(true);
}

void CMySplitterWnd::setSplitterLock(bool lock)
{
    m_lock = lock;
    for (int i = 0; i < count(); ++i) {
        if (QSplitterHandle *h = handle(i))
            h->setCursor(
                lock ? Qt::ArrowCursor : (orientation() == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor));
    }
}

QSplitterHandle *CMySplitterWnd::createHandle()
{
    return new LockableHandle(orientation(), this);
}

} // namespace Duovue
