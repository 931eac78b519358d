#pragma once

#include <memory>

#include <QObject>
#include <QPointer>

#include "core/recentfiles.h"
#include "core/sessionstate.h"
#include "document/cduovuedoc.h"

namespace Duovue
{

class CMainFrame;
class SettingsStore;
class ShellServices;
class UserPrompts;

/// The application object: owns the document and the session's shared state, holds the settings
/// store and the shell services, builds the main window at start-up and writes the remembered
/// folders at exit.
///
/// main() builds exactly one; the main window receives references to what it owns, never the
/// object itself. Thread: GUI thread.
class CDuovueApp final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDuovueApp)

public:
    CDuovueApp(SettingsStore &settings, ShellServices &shell, UserPrompts &prompts, QObject *parent = nullptr);
    ~CDuovueApp() override;

    /// Start-up: reads the remembered folders and recent files, builds and shows the main window
    /// (maximized or placed from the settings). @p documentPath is the optional command-line
    /// document. Returns false when the program cannot start.
    bool initInstance(const QString &documentPath = QString());
    /// Exit: writes the remembered folders and the recent-file list. Safe to call more than once.
    void exitInstance();

    CDuovueDoc &document() { return m_document; }
    SessionState &session() { return m_session; }
    SettingsStore &settings() { return m_settings; }
    ShellServices &shell() { return m_shell; }
    UserPrompts &prompts() { return m_prompts; }
    RecentFiles &recentFiles() { return m_recentFiles; }
    CMainFrame *mainFrame() const { return m_mainFrame.get(); }

    /// The HTML manual: installed under share/duovue/manual, or in manual/ beside the program (a
    /// build tree); empty when it cannot be found.
    static QString manualPath();
    /// Address of the product web page ("/duovue.html" on the update host).
    QString productPageUrl() const;

public Q_SLOTS:
    void showHelp();
    void showAbout();

private:
    SettingsStore &m_settings;
    ShellServices &m_shell;
    UserPrompts &m_prompts;
    SessionState m_session;
    CDuovueDoc m_document;
    RecentFiles m_recentFiles;
    std::unique_ptr<CMainFrame> m_mainFrame;
    bool m_exited = false;
};

} // namespace Duovue
