#include "pairtools/cnothingdlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace Duovue
{

CNothingDlg::CNothingDlg(const QString &text, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CNothingDlg"));
    setWindowTitle(QStringLiteral("確認"));
    auto *icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(size, size));
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_text = new QLabel(shown, this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_box = new QCheckBox(QStringLiteral("これ以降、このダイアログを表示しない。"), this);
    m_ok = new QPushButton(QStringLiteral("O K"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(m_text, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_box);
    bottom->addStretch();
    bottom->addWidget(m_ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool CNothingDlg::dontShowAgain() const
{
    return result() == QDialog::Accepted && m_box->isChecked();
}

bool CNothingDlg::showNotice(const QString &text, QWidget *parent)
{
    CNothingDlg dialog(text, parent);
    dialog.exec();
    return dialog.dontShowAgain();
}

} // namespace Duovue
