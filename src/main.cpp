#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include "app/cduovueapp.h"
#include "app/desktopshell.h"
#include "app/messageboxprompts.h"
#include "core/settingsstore.h"
#include "mainframe/cmainframe.h"

using namespace Duovue;

int main(int argc, char **argv)
{
    // The smoke test starts the real program without a display; decide before Qt picks a platform.
    bool selfTest = false;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--self-test") == 0)
            selfTest = true;
    }
    if (selfTest)
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

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Duovue: compare two lists of pictures side by side."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("self-test"), QStringLiteral("Start without a display and quit at once.")});
    parser.addPositionalArgument(
        QStringLiteral("document"), QStringLiteral("A .duov document to open."), QStringLiteral("[document]"));
    parser.process(qapp);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::fprintf(stderr, "duovue: at most one document may be given\n");
        return 2;
    }

    SettingsStore settings(SettingsStore::defaultPath(QCoreApplication::applicationDirPath()));
    // The prompts outlive the shell: a launch that fails late reports through them.
    MessageBoxPrompts prompts;
    DesktopShell shell(settings);
    CDuovueApp app(settings, shell, prompts);
    if (!app.initInstance(positional.value(0)))
        return 1;
    prompts.setParentWindow(app.mainFrame());

    if (selfTest) {
        QTimer::singleShot(0, &qapp, [&] {
            std::printf("duovue self-test: main window \"%s\" up\n", qPrintable(app.mainFrame()->windowTitle()));
            app.mainFrame()->close();
        });
    }
    const int rc = qapp.exec();
    app.exitInstance();
    return rc;
}
