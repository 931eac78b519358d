#pragma once

#include <functional>

#include <QPointer>

#include "document/listfill.h"

class QWidget;

namespace Duovue
{

struct AppState;
class CProgDlg;

/// The window side of a fill or a drop: the progress dialog over @p owner, the event pump, and the
/// main window's operations passed in as functions.
///
/// Thread: GUI thread. Owns the progress dialog while it is shown (through the Qt tree of the owner).
class GuiFillHost final : public ListFillHost
{
public:
    struct Hooks {
        std::function<void()> newDocument;
        std::function<void(int)> resetSide;
        std::function<void(int)> listChanged;
        std::function<void(const QString &)> openDocument;
    };

    GuiFillHost(AppState &state, QWidget *owner, Hooks hooks);
    ~GuiFillHost() override;

    /// The dialog while a fill runs, else nullptr (for tests).
    CProgDlg *progressDialog() const;
    /// True while a fill or a drop is running: a second one must not start inside its event pump.
    bool isBusy() const { return m_busy; }

    void newDocument() override;
    void resetSide(int side) override;
    void listChanged(int side) override;
    void beginProgress() override;
    void endProgress() override;
    void pumpEvents() override;
    void openDocument(const QString &path) override;

private:
    AppState &m_state;
    QPointer<QWidget> m_owner;
    Hooks m_hooks;
    QPointer<CProgDlg> m_dialog;
    bool m_busy = false;
};

} // namespace Duovue
