#pragma once

#include <QDialog>

class QLabel;

namespace Duovue
{

/// The image information dialog ("画像情報"): a centred title line, shortened with an ellipsis
/// when it does not fit and showing the whole title as a tooltip (also while the dialog is
/// inactive), the body text in a bordered box, and an OK button.
///
/// Thread: GUI thread.
class CInfoDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CInfoDlg)

public:
    /// @p body may use "\r\n" line breaks.
    CInfoDlg(const QString &title, const QString &body, QWidget *parent = nullptr);

    /// Shows the dialog modally.
    static void showModal(const QString &title, const QString &body, QWidget *parent);

    QString title() const { return m_title; }
    /// The title line as it is shown now (maybe shortened).
    QString shownTitle() const;
    QString body() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elideTitle();

    QString m_title;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_bodyLabel = nullptr;
};

} // namespace Duovue
