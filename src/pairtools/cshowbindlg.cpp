#include "pairtools/cshowbindlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextDocument>

#include "pairtools/reportlist.h"

namespace Duovue
{

namespace
{

QPlainTextEdit *makeBox(const QString &text, const QString &name, QWidget *parent)
{
    auto *box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setFont(CShowBinDlg::binaryFont());
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setAccessibleName(name);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    box->setPalette(palette);
    // Inside the program each line ends in "\r\r\n"; the box shows one line per HexLine.
    QString lines = text;
    lines.replace(QLatin1String("\r\r\n"), QLatin1String("\n"));
    if (lines.endsWith(QLatin1Char('\n')))
        lines.chop(1);
    box->setPlainText(lines);
    return box;
}

} // namespace

QFont CShowBinDlg::binaryFont()
{
    QFont font(QStringLiteral("Noto Sans Mono CJK JP"), 9);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

CShowBinDlg::CShowBinDlg(const QString &leftText, const QString &rightText, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CShowBinDlg"));
    setWindowTitle(QStringLiteral("相違部分の表示"));
    m_left = makeBox(leftText, QStringLiteral("左画像のバイナリ値"), this);
    m_right = makeBox(rightText, QStringLiteral("右画像のバイナリ値"), this);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("左画像のバイナリ値"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("右画像のバイナリ値"), this), 0, 1);
    grid->addWidget(m_left, 1, 0);
    grid->addWidget(m_right, 1, 1);
    m_close = ReportList::layOutWithCloseButton(this, grid);

    // Wide enough for a whole line of 16 bytes in each box: 47 columns of values, the ideographic
    // space and 16 characters, with the box's margins and scroll bar.
    const QString line = QString(47, u'0') + QChar(0x3000) + QString(16, u'0');
    const int box = QFontMetrics(binaryFont()).horizontalAdvance(line) + 2 * m_left->frameWidth()
        + 2 * int(m_left->document()->documentMargin()) + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    resize(ReportList::dialogSize(this, 503, 270, QSize(2 * box + 40, 0)));
}

} // namespace Duovue
