#include "app/cduovueapp.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include "app/caboutdlg.h"
#include "core/appsettings.h"
#include "core/logging.h"
#include "core/settingsstore.h"
#include "core/shellservices.h"
#include "core/userprompts.h"
#include "mainframe/cmainframe.h"
#include "resources/commandtable.h"

namespace Duovue
{

CDuovueApp::CDuovueApp(SettingsStore &settings, ShellServices &shell, UserPrompts &prompts, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_shell(shell)
    , m_prompts(prompts)
{
}

CDuovueApp::~CDuovueApp()
{
    exitInstance();
}

bool CDuovueApp::initInstance(const QString &documentPath)
{
    for (int side = 0; side < 2; ++side)
        m_session.lastFolder[side] = m_settings.value(AppSettings::LastFolder(side));
    m_recentFiles.load(m_settings);

    m_mainFrame = std::make_unique<CMainFrame>(
        CommandContext{m_document, m_session, m_settings, m_prompts, m_shell}, m_recentFiles);
    connect(m_mainFrame->action(IdHelp), &QAction::triggered, this, &CDuovueApp::showHelp);
    connect(m_mainFrame->action(IdAppAbout), &QAction::triggered, this, &CDuovueApp::showAbout);
    if (m_settings.value(AppSettings::MainPlacement()) != 0)
        m_mainFrame->showNormal();
    else {
        // Without a window manager that honours the maximized state, the window would stay at its
        // minimum size; start it at the size of the screen's free area so it is full-sized anyway.
        if (const QScreen *screen = m_mainFrame->screen())
            m_mainFrame->setGeometry(screen->availableGeometry());
        m_mainFrame->showMaximized();
    }

    // A document that cannot be opened has said why; the program goes on with a new one.
    if (!documentPath.isEmpty())
        m_mainFrame->openDocumentFile(documentPath);
    return true;
}

void CDuovueApp::exitInstance()
{
    if (m_exited || !m_mainFrame)
        return;
    m_exited = true;
    // Destroy the window first: its views write their column widths and forms their check boxes.
    m_mainFrame.reset();
    for (int side = 0; side < 2; ++side)
        warnIfFailed(lcApp(), m_settings.setValue(AppSettings::LastFolder(side), m_session.lastFolder[side]));
    m_recentFiles.save(m_settings);
}

QString CDuovueApp::manualPath()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QStringList candidates{
        exeDir + QStringLiteral("/../share/duovue/manual/index.html"),
        exeDir + QStringLiteral("/manual/index.html"),
    };
    for (const QString &c : candidates) {
        if (QFileInfo::exists(c))
            return QFileInfo(c).canonicalFilePath();
    }
    return {};
}

QString CDuovueApp::productPageUrl() const
{
    QString base = m_settings.value(AppSettings::UpdateBase());
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/duovue.html");
}

void CDuovueApp::showHelp()
{
    const QString manual = manualPath();
    if (manual.isEmpty()) {
        m_prompts.error(QStringLiteral("ヘルプファイルが見つかりません。"), Captions::error());
        return;
    }
    UserPrompts &prompts = m_prompts;
    m_shell.launch(manual, ShellServices::Verb::Open, [&prompts](ShellServices::LaunchOutcome outcome) {
        if (outcome == ShellServices::LaunchOutcome::NoAssociation)
            prompts.error(QStringLiteral("関連付けられたアプリケーションがありません"), Captions::error());
    });
}

void CDuovueApp::showAbout()
{
    CAboutDlg dialog(productPageUrl(), m_shell, m_mainFrame.get());
    dialog.exec();
}

} // namespace Duovue
