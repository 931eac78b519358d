#pragma once

#include <atomic>

#include <QBasicTimer>
#include <QDialog>
#include <QList>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace Duovue
{

/// The modeless progress dialog "処理中" shown while long work runs on the GUI thread (folder scans,
/// drops, the binary and JPEG marker comparisons): a text, an endless animation and the abort
/// button "中　止 (&A)", which sets the abort flag it is given. The work polls that flag and clears
/// it when it ends.
///
/// While the dialog is shown, input to every other window of the program is held back (mouse,
/// keys, shortcuts, drops, closing), so nothing can change the lists under the running work; the
/// windows still move and repaint. Closing the dialog with Esc counts as the abort button.
///
/// Thread: GUI thread. The owner window owns the dialog through the Qt tree.
class CProgDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CProgDlg)

public:
    static constexpr int FrameIntervalMs = 100;

    /// @p abortRequested must outlive the dialog (the session's flag).
    CProgDlg(std::atomic<bool> &abortRequested, QWidget *owner);
    ~CProgDlg() override;

    int currentFrame() const { return m_frame; }
    QPushButton *abortButton() const { return m_abort; }

public Q_SLOTS:
    /// The abort button: asks the running work to stop.
    void requestAbort();
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setInputHeld(bool held);

    std::atomic<bool> &m_abortRequested;
    QLabel *m_animation = nullptr;
    QPushButton *m_abort = nullptr;
    QList<QPixmap> m_frames;
    QBasicTimer m_timer;
    int m_frame = 0;
    bool m_inputHeld = false;
};

} // namespace Duovue
