#pragma once

#include <memory>

#include <QObject>
#include <QPointer>

#include "core/appstate.h"
#include "core/recentfiles.h"

namespace Duovue
{

class CMainFrame;
class SettingsStore;
class ShellServices;
class UserPrompts;

/// The application object: holds the state the windows share, the settings store and the shell
/// services, builds the main window at start-up and writes the remembered folders at exit.
///
/// main() builds exactly one; windows receive a reference to it. Thread: GUI thread.
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

    AppState &state() { return m_state; }
    SettingsStore &settings() { return m_settings; }
    ShellServices &shell() { return m_shell; }
    UserPrompts &prompts() { return m_prompts; }
    RecentFiles &recentFiles() { return m_recentFiles; }
    CMainFrame *mainFrame() const { return m_mainFrame.get(); }

    /// The installed HTML manual, or empty when it cannot be found.
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
    AppState m_state;
    RecentFiles m_recentFiles;
    std::unique_ptr<CMainFrame> m_mainFrame;
    bool m_exited = false;
};

} // namespace Duovue
