#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace Duovue
{

class CSetGou;
class CSetMain;
class CSetMiku;
class FileAssociation;
class SettingsStore;
class ShellServices;
class UserPrompts;
struct FieldError;

/// The settings dialog "環境設定": a page selector and three pages (main window, compositing,
/// viewer). OK checks every page and writes all their values, or nothing when any page refuses;
/// the page last shown is remembered whatever the dialog ends with.
///
/// The caller applies what takes effect at once (the toolbar, the viewer panes) after exec()
/// returns Accepted. Thread: GUI thread.
class CSettingDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSettingDlg)

public:
    static constexpr int PageCount = 3;

    /// @p mainWindow is the window whose rectangle the capture button takes; it also parents the
    /// dialog.
    CSettingDlg(SettingsStore &store,
        UserPrompts &prompts,
        ShellServices &shell,
        const FileAssociation &association,
        QWidget *mainWindow);
    ~CSettingDlg() override;

    CSetMain *mainPage() const { return m_main; }
    CSetGou *composePage() const { return m_compose; }
    CSetMiku *viewerPage() const { return m_viewer; }
    QComboBox *pageList() const { return m_pageList; }
    /// The page shown, or -1 when none is.
    int currentPage() const;

    void accept() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showPage(int index);
    QWidget *page(int index) const;
    /// Shows @p error's message, its page, and puts the focus on its field.
    void refuse(int pageIndex, const FieldError &error);
    /// Shows page @p pageIndex and puts the focus on @p field, its text selected.
    void focusField(int pageIndex, QLineEdit *field);

    SettingsStore &m_store;
    UserPrompts &m_prompts;
    QComboBox *m_pageList = nullptr;
    QWidget *m_placeholder = nullptr;
    CSetMain *m_main = nullptr;
    CSetGou *m_compose = nullptr;
    CSetMiku *m_viewer = nullptr;
};

} // namespace Duovue
