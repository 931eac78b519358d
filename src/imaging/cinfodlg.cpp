#include "imaging/cinfodlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace Duovue
{

CInfoDlg::CInfoDlg(const QString &title, const QString &body, QWidget *parent)
    : QDialog(parent)
    , m_title(title)
{
    setWindowTitle(QStringLiteral("画像情報"));
    // The title's tooltip shows also while another window is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("title"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setToolTip(
        QStringLiteral("<p style=\"white-space:pre\">") + title.toHtmlEscaped() + QStringLiteral("</p>"));
    m_titleLabel->setMinimumWidth(1);
    m_titleLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_bodyLabel = new QLabel(this);
    m_bodyLabel->setObjectName(QStringLiteral("body"));
    m_bodyLabel->setTextFormat(Qt::PlainText);
    m_bodyLabel->setText(QString(body).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    m_bodyLabel->setFrameShape(QFrame::Box);
    m_bodyLabel->setFrameShadow(QFrame::Sunken);
    m_bodyLabel->setMargin(8);
    m_bodyLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_bodyLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK (&O)"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_bodyLabel, 1);
    layout->addWidget(buttons, 0, Qt::AlignCenter);

    const int bodyWidth = m_bodyLabel->sizeHint().width();
    resize(std::max(bodyWidth + 40, 360), sizeHint().height());
    elideTitle();
}

void CInfoDlg::showModal(const QString &title, const QString &body, QWidget *parent)
{
    CInfoDlg dialog(title, body, parent);
    dialog.exec();
}

QString CInfoDlg::shownTitle() const
{
    return m_titleLabel->text();
}

QString CInfoDlg::body() const
{
    return m_bodyLabel->text();
}

void CInfoDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    elideTitle();
}

void CInfoDlg::elideTitle()
{
    // A path: keep its start and its file name, shorten the middle.
    const int room = std::max(m_titleLabel->contentsRect().width(), 1);
    m_titleLabel->setText(m_titleLabel->fontMetrics().elidedText(m_title, Qt::ElideMiddle, room));
}

} // namespace Duovue
