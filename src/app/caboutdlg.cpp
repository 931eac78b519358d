#include "app/caboutdlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/shellservices.h"
#include "resources/toolbaricons.h"

namespace Duovue
{

namespace
{

/// The link label: blue, underlined, a hand cursor, and a click that opens the address.
class LinkLabel final : public QLabel
{
public:
    LinkLabel(const QString &text, CAboutDlg *dialog)
        : QLabel(text, dialog)
        , m_dialog(dialog)
    {
        QFont f(QStringLiteral("Noto Sans CJK JP"));
        f.setPixelSize(12);
        f.setUnderline(true);
        setFont(f);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 255));
        setPalette(p);
        setCursor(Qt::PointingHandCursor);
        setObjectName(QStringLiteral("ProductLink"));
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLabel::mouseReleaseEvent(event);
        m_dialog->openLink();
    }

private:
    CAboutDlg *m_dialog;
};

} // namespace

CAboutDlg::CAboutDlg(const QString &productUrl, ShellServices &shell, QWidget *parent)
    : QDialog(parent)
    , m_url(productUrl)
    , m_shell(shell)
{
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(true);

    auto *icon = new QLabel(this);
    icon->setPixmap(ToolbarIcons::programIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto *name = new QLabel(QStringLiteral("Duovue Version %1").arg(QStringLiteral(DUOVUE_VERSION)), this);
    name->setObjectName(QStringLiteral("VersionText"));
    auto *link = new LinkLabel(m_url, this);

    auto *texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(link);
    texts->addStretch();

    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(texts, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    setLayout(row);
}

void CAboutDlg::openLink()
{
    m_shell.launch(m_url, ShellServices::Verb::Open);
}

} // namespace Duovue
