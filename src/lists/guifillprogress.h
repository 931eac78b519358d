#pragma once

#include <atomic>

#include <QPointer>

#include "document/listfill.h"

class QWidget;

namespace Duovue
{

class CProgDlg;

/// The window side of a fill or a drop: the progress dialog over @p owner, whose abort button sets
/// @p abortRequested, and the event pump.
///
/// Thread: GUI thread. Owns the progress dialog while it is shown (through the Qt tree of the owner).
class GuiFillProgress final : public FillProgress
{
public:
    GuiFillProgress(std::atomic<bool> &abortRequested, QWidget *owner);
    ~GuiFillProgress() override;

    /// The dialog while a fill runs, else nullptr (for tests).
    CProgDlg *progressDialog() const;
    /// True while a fill or a drop is running: a second one must not start inside its event pump.
    bool isBusy() const { return m_busy; }

    void begin() override;
    void end() override;
    void pump() override;

private:
    std::atomic<bool> &m_abortRequested;
    QPointer<QWidget> m_owner;
    QPointer<CProgDlg> m_dialog;
    bool m_busy = false;
};

} // namespace Duovue
