#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "support/fakeshell.h"
#include "support/testdir.h"

namespace Duovue::Test
{

/// What a command needs, made for one test: a document, the session, settings in a TestDir and a
/// FakeShell for both the shell and the prompts.
struct CommandFixture {
    TestDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("Duovue.ini"))};
    FakeShell shell;
    CDuovueDoc document;
    SessionState session;
    CommandContext context{document, session, store, shell, shell};
};

/// Runs @p action; every modal dialog that opens meanwhile is handed to @p answer, which must close
/// it. Returns how many opened. Needs a QApplication (widget tests).
inline int answerModals(const std::function<void()> &action, const std::function<void(QWidget *)> &answer)
{
    int opened = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            ++opened;
            answer(modal);
        }
    });
    timer.start();
    action();
    return opened;
}

} // namespace Duovue::Test
