#pragma once

#include <QPointer>
#include <QWidget>

#include "core/userprompts.h"

namespace Duovue
{

/// The real message boxes and file choosers, parented to the main window when there is one.
/// Thread: GUI thread.
class MessageBoxPrompts final : public UserPrompts
{
public:
    void setParentWindow(QWidget *parent) { m_parent = parent; }

    bool question(const QString &text, const QString &caption) override;
    Answer questionWithCancel(const QString &text, const QString &caption) override;
    void information(const QString &text, const QString &caption) override;
    void error(const QString &text, const QString &caption) override;
    void warning(const QString &text, const QString &caption) override;
    QString chooseFolder(const QString &title, const QString &startFolder, bool allowNewFolder) override;
    QString chooseOpenFile(const QString &title, const QString &startFolder, const QString &filter) override;
    QString chooseSaveFile(
        const QString &title, const QString &startPath, const QString &filter, const QString &defaultSuffix) override;

private:
    QWidget *parent() const;

    QPointer<QWidget> m_parent;
    mutable QPointer<QWidget> m_lastOwner; // the window the last box was asked from
};

} // namespace Duovue
