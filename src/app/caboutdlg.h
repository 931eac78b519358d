#pragma once

#include <QDialog>

namespace Duovue
{

class ShellServices;

/// "バージョン情報": the program icon, its name and version, and a link to the product page that
/// opens with the desktop opener. Modal. Thread: GUI thread.
class CAboutDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)

public:
    CAboutDlg(const QString &productUrl, ShellServices &shell, QWidget *parent = nullptr);

    /// Opens the product page, as a click on the link does.
    void openLink();

private:
    QString m_url;
    ShellServices &m_shell;
};

} // namespace Duovue
