#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace Duovue
{

/// The dialog "相違部分の表示": the bytes of one difference run, left and right side by side in two
/// read-only boxes in the monospaced CJK font, one HexLine per line.
///
/// Thread: GUI thread.
class CShowBinDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CShowBinDlg)

public:
    CShowBinDlg(const QString &leftText, const QString &rightText, QWidget *parent = nullptr);

    /// The fixed-pitch font of the byte boxes: "Noto Sans Mono CJK JP", 9 points.
    static QFont binaryFont();

    QPlainTextEdit *leftBox() const { return m_left; }
    QPlainTextEdit *rightBox() const { return m_right; }
    QPushButton *closeButton() const { return m_close; }

private:
    QPlainTextEdit *m_left = nullptr;
    QPlainTextEdit *m_right = nullptr;
    QPushButton *m_close = nullptr;
};

} // namespace Duovue
