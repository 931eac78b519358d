#pragma once

#include <QSplitter>

namespace Duovue
{

/// A splitter whose bars the user cannot drag while SplitterLock is set; the main window's layout
/// is fixed and only its own size rule moves the bars. Thread: GUI thread.
class CMySplitterWnd final : public QSplitter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMySplitterWnd)

public:
    explicit CMySplitterWnd(Qt::Orientation orientation, QWidget *parent = nullptr);

    bool splitterLock() const { return m_lock; }
    void setSplitterLock(bool lock);

protected:
    QSplitterHandle *createHandle() override;

private:
    bool m_lock = false;
};

} // namespace Duovue
