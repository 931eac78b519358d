#pragma once

#include "core/shellservices.h"
#include "core/userprompts.h"

namespace Duovue::Bench
{

/// Prompts and shell that answer nothing: a bench never reaches a box.
class Silent final : public UserPrompts, public ShellServices
{
public:
    bool question(const QString &, const QString &) override { return false; }
    void information(const QString &, const QString &) override { }
    void error(const QString &, const QString &) override { }
    QString chooseFolder(const QString &, const QString &, bool) override { return {}; }
    QString chooseOpenFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &, const QString &, const QString &) override { return {}; }
    QList<Result<TrashEntry>> moveToTrash(const QStringList &paths) override
    {
        return QList<Result<TrashEntry>>(paths.size(), Error{Error::Code::WriteFailed, QStringLiteral("no trash")});
    }
    void launch(const QString &, Verb, LaunchDone) override { }
    void associationsChanged() override { }
};

} // namespace Duovue::Bench
