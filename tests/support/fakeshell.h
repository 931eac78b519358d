#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "core/shellservices.h"
#include "core/userprompts.h"

namespace Duovue::Test
{

/// Test double for both shell interfaces: records every call and answers from scripted queues.
/// An unscripted question is answered No and an unscripted chooser is cancelled, so a test that
/// forgot to script an answer fails on its checks instead of blocking.
class FakeShell final : public ShellServices, public UserPrompts
{
public:
    struct Call {
        QString kind; // "trash", "launch-open", "launch-edit", "associations", "question", ...
        QString text; // message text or path
        QString caption; // caption or title
        QStringList paths; // trash paths
    };

    // ShellServices
    QList<Result<TrashEntry>> moveToTrash(const QStringList &paths) override;
    void launch(const QString &pathOrUrl, Verb verb, LaunchDone done = {}) override;
    void associationsChanged() override;

    // UserPrompts
    bool question(const QString &text, const QString &caption) override;
    Answer questionWithCancel(const QString &text, const QString &caption) override;
    void information(const QString &text, const QString &caption) override;
    void error(const QString &text, const QString &caption) override;
    void warning(const QString &text, const QString &caption) override;
    QString chooseFolder(const QString &title, const QString &startFolder, bool allowNewFolder) override;
    QString chooseOpenFile(const QString &title, const QString &startFolder, const QString &filter) override;
    QString chooseSaveFile(
        const QString &title, const QString &startPath, const QString &filter, const QString &defaultSuffix) override;

    /// Calls of one kind, in order.
    QList<Call> callsOf(const QString &kind) const;

    QList<Call> calls;
    QQueue<bool> answers; // for question()
    QQueue<Answer> threeWayAnswers; // for questionWithCancel(); unscripted: Cancel
    QQueue<QString> folderAnswers; // for chooseFolder()
    QQueue<QString> fileAnswers; // for chooseOpenFile() and chooseSaveFile()
    bool launchHasAssociation = true; // the outcome every launch reports, at once
    // Move the files into a trash folder of the fake's own (a real one, in a temporary folder), as
    // the real trash would; otherwise the files stay and the fake still reports them trashed.
    bool trashReallyDeletes = false;
    // Move the files into a "files" folder that is no trash and report that (the fault of Qt 6.4's
    // trash on an account without ~/.local/share).
    bool trashMisplaces = false;
    QStringList trashFailures; // paths that moveToTrash reports as not moved
    /// Runs while a box or chooser is up, after its call is recorded: a real one runs the event loop.
    std::function<void(const Call &)> onPrompt;
    /// The fake's trash folder (made at the first trashing).
    QString trashFolder();

private:
    void record(Call call);
    std::unique_ptr<QTemporaryDir> m_trashBase;
};

} // namespace Duovue::Test
