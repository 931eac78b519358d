#pragma once

#include <chrono>

#include <QDialog>

class QLabel;
class QPushButton;

namespace Duovue
{

class CMyMain;
class ShellServices;
class UserPrompts;
struct UpdateAnswer;

/// The small "アップデートチェック" dialog: one text and the button "今すぐチェック", which asks the
/// update server (CMyMain) and reports its answer through the prompts. The check runs while the
/// dialog stays responsive; closing the dialog abandons it. Thread: GUI thread.
class CUpdateCheckDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CUpdateCheckDlg)

public:
    CUpdateCheckDlg(const QString &baseUrl, UserPrompts &prompts, ShellServices &shell, QWidget *parent = nullptr);
    ~CUpdateCheckDlg() override;

    /// Bounds a check; tests pass a short value.
    void setTimeout(std::chrono::milliseconds timeout);

    QPushButton *checkButton() const { return m_button; }
    QString text() const;

Q_SIGNALS:
    /// A check ended and its message was answered.
    void checkReported();

private:
    void startCheck();
    void report(const Duovue::UpdateAnswer &answer);

    UserPrompts &m_prompts;
    ShellServices &m_shell;
    CMyMain *m_check = nullptr;
    QLabel *m_text = nullptr;
    QPushButton *m_button = nullptr;
};

} // namespace Duovue
