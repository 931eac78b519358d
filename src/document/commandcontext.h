#pragma once

class QWidget;

namespace Duovue
{

class CDuovueDoc;
class SettingsStore;
class ShellServices;
class UserPrompts;
struct SessionState;

/// What a command receives: the document it works on, the session's shared state, the settings,
/// the user's answers, the shell, and the window its dialogs belong to. A command never sees the
/// main window, so it runs the same in a test with a fake shell and no window at all.
///
/// Thread: GUI thread. Holds references only; the main window (or the test) owns what they name.
struct CommandContext {
    CDuovueDoc &document;
    SessionState &session;
    SettingsStore &settings;
    UserPrompts &prompts;
    ShellServices &shell;
    /// Owner of the command's dialogs; may be null.
    QWidget *parent = nullptr;
};

} // namespace Duovue
