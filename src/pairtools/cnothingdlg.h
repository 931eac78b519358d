#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace Duovue
{

/// The missing-file notice "確認" of the file existence check: a text, the box "これ以降、この
/// ダイアログを表示しない。" and "O K".
///
/// Thread: GUI thread.
class CNothingDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CNothingDlg)

public:
    explicit CNothingDlg(const QString &text, QWidget *parent = nullptr);

    /// True when the dialog was closed with "O K" and the box ticked.
    bool dontShowAgain() const;

    /// Shows the notice modally; returns whether the user ticked the box.
    static bool showNotice(const QString &text, QWidget *parent);

    QLabel *textLabel() const { return m_text; }
    QCheckBox *dontShowBox() const { return m_box; }
    QPushButton *okButton() const { return m_ok; }

private:
    QLabel *m_text = nullptr;
    QCheckBox *m_box = nullptr;
    QPushButton *m_ok = nullptr;
};

} // namespace Duovue
