#include <cstdio>

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include "app/cduovueapp.h"
#include "app/desktopshell.h"
#include "app/messageboxprompts.h"
#include "core/programarguments.h"
#include "core/settingsstore.h"
#include "mainframe/cmainframe.h"

using namespace Duovue;

int main(int argc, char **argv)
{
    // Help, the version and a wrong command line are answered before Qt looks for a display: on a
    // console without one the application object would abort.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const ProgramArguments arguments = ProgramArguments::parse(args);
    if (arguments.action != ProgramArguments::Action::Run) {
        const QByteArray text = arguments.output(ProgramArguments::language()).toUtf8();
        const bool failed = arguments.action == ProgramArguments::Action::UsageError;
        std::fputs(text.constData(), failed ? stderr : stdout);
        return failed ? 2 : 0;
    }
    // The smoke test starts the real program without a display; decide before Qt picks a platform.
    if (arguments.selfTest)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Duovue"));
    QApplication::setApplicationVersion(QStringLiteral(DUOVUE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(DUOVUE_APP_ID));

    // Every text of the program is Japanese; Qt's own dialogs and buttons (file choosers, はい/いいえ)
    // must match whatever the desktop's language is.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    SettingsStore settings(SettingsStore::defaultPath(QCoreApplication::applicationDirPath()));
    // The prompts outlive the shell: a launch that fails late reports through them.
    MessageBoxPrompts prompts;
    DesktopShell shell(settings);
    CDuovueApp app(settings, shell, prompts);
    if (!app.initInstance(arguments.document))
        return 1;
    prompts.setParentWindow(app.mainFrame());

    if (arguments.selfTest) {
        QTimer::singleShot(0, &qapp, [&] {
            std::printf("duovue self-test: main window \"%s\" up\n", qPrintable(app.mainFrame()->windowTitle()));
            app.mainFrame()->close();
        });
    }
    const int rc = qapp.exec();
    app.exitInstance();
    return rc;
}
