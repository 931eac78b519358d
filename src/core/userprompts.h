#pragma once

#include <QString>

namespace Duovue
{

/// Questions and messages put to the user, and the choosers they answer.
///
/// Logic never shows UI: it asks through this interface. The GUI implementation uses QMessageBox
/// and QFileDialog; tests use a fake with scripted answers, so no test ever blocks on a modal box.
/// Thread: GUI thread.
class UserPrompts
{
public:
    enum class Icon { None, Question, Information, Error };
    enum class Answer { Yes, No, Cancel };

    virtual ~UserPrompts() = default;

    /// A Yes/No box; true for Yes. The caption is usually "確認".
    virtual bool question(const QString &text, const QString &caption) = 0;
    /// A Yes/No/Cancel box, as before a modified document is dropped. Without an implementation of
    /// its own a prompt asks Yes/No and never cancels.
    virtual Answer questionWithCancel(const QString &text, const QString &caption)
    {
        return question(text, caption) ? Answer::Yes : Answer::No;
    }
    /// An OK box with an information icon; the caption is usually "情報" or "結果".
    virtual void information(const QString &text, const QString &caption) = 0;
    /// An OK box with a stop icon; the caption is "エラー" or the affected path.
    virtual void error(const QString &text, const QString &caption) = 0;
    /// An OK box with an exclamation icon, for input the user must correct; the caption is "Duovue".
    /// Without an implementation of its own a prompt shows it as an error.
    virtual void warning(const QString &text, const QString &caption) { error(text, caption); }

    /// A folder chooser opened at @p startFolder; empty when cancelled.
    virtual QString chooseFolder(const QString &title, const QString &startFolder, bool allowNewFolder) = 0;
    /// A file chooser for opening; empty when cancelled.
    virtual QString chooseOpenFile(const QString &title, const QString &startFolder, const QString &filter) = 0;
    /// A file chooser for saving; empty when cancelled.
    virtual QString chooseSaveFile(
        const QString &title, const QString &startPath, const QString &filter, const QString &defaultSuffix) = 0;
};

/// Captions shared by the message boxes of every subsystem.
namespace Captions
{
inline QString confirm()
{
    return QStringLiteral("確認");
}
inline QString information()
{
    return QStringLiteral("情報");
}
inline QString result()
{
    return QStringLiteral("結果");
}
inline QString error()
{
    return QStringLiteral("エラー");
}
} // namespace Captions

} // namespace Duovue
