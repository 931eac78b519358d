#include "settings/csetmiku.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/appsettings.h"
#include "core/settingsstore.h"

namespace Duovue
{

CSetMiku::CSetMiku(const SettingsStore &store, QWidget *parent)
    : QWidget(parent)
{
    m_placement.build(QStringLiteral("ウインドウの表示位置とサイズ"),
        {QStringLiteral("左上のX座標を設定してください。"),
            QStringLiteral("左上のY座標を設定してください。"),
            QStringLiteral("ウインドウの幅を設定してください。"),
            QStringLiteral("ウインドウの高さを設定してください。")},
        QString(),
        this);

    auto *sizeBox = new QGroupBox(QStringLiteral("画像表示の初期状態"), this);
    auto *actual = new QRadioButton(QStringLiteral("実物大 (&R)"), sizeBox);
    actual->setToolTip(QStringLiteral("実物大で表示します。"));
    auto *fit = new QRadioButton(QStringLiteral("ウインドウに合わせる (&F)"), sizeBox);
    fit->setToolTip(QStringLiteral("ウインドウに合わせます。"));
    m_size = new QButtonGroup(sizeBox);
    m_size->addButton(actual, 0);
    m_size->addButton(fit, 1);
    auto *sizeLayout = new QVBoxLayout(sizeBox);
    sizeLayout->addWidget(actual);
    sizeLayout->addWidget(fit);

    auto *intervalBox = new QGroupBox(QStringLiteral("自動送りの間隔"), this);
    m_interval =
        SettingsFields::digitsEdit(QStringLiteral("自動送りのときの間隔をミリ秒単位で設定してください。"), intervalBox);
    m_interval->setAccessibleName(QStringLiteral("自動送りの間隔"));
    auto *hint = new QLabel(QStringLiteral("(1秒 = 1000ミリ秒)"), intervalBox);
    QPalette red = hint->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    hint->setPalette(red);
    auto *intervalLayout = new QVBoxLayout(intervalBox);
    auto *intervalRow = new QHBoxLayout;
    intervalRow->addWidget(m_interval);
    intervalRow->addWidget(new QLabel(QStringLiteral("ミリ秒"), intervalBox));
    intervalRow->addStretch();
    intervalLayout->addLayout(intervalRow);
    intervalLayout->addWidget(hint);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(sizeBox);
    bottom->addWidget(intervalBox);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_placement.box);
    layout->addLayout(bottom);
    layout->addStretch();

    m_fitToWindow = store.value(AppSettings::ViewerFitToWindow());
    m_placement.load(store,
        AppSettings::ViewerPlacement(),
        AppSettings::ViewerLeft(),
        AppSettings::ViewerTop(),
        AppSettings::ViewerWidth(),
        AppSettings::ViewerHeight());
    m_intervalValue = store.value(AppSettings::AutoAdvanceInterval());
    if (QAbstractButton *b = m_size->button(m_fitToWindow))
        b->setChecked(true);
    SettingsFields::setNumber(m_interval, m_intervalValue);
}

FieldError CSetMiku::readControls()
{
    if (FieldError e = m_placement.read())
        return e;
    m_fitToWindow = m_size->checkedId();
    return SettingsFields::readDigits(m_interval, m_intervalValue);
}

Result<void> CSetMiku::write(SettingsStore &store) const
{
    return SettingsFields::writeInOrder(store,
        {
            {AppSettings::ViewerFitToWindow(), m_fitToWindow},
            {AppSettings::ViewerPlacement(), m_placement.placement},
            {AppSettings::ViewerLeft(), m_placement.leftValue},
            {AppSettings::ViewerTop(), m_placement.topValue},
            {AppSettings::ViewerWidth(), m_placement.widthValue},
            {AppSettings::ViewerHeight(), m_placement.heightValue},
            {AppSettings::AutoAdvanceInterval(), m_intervalValue},
        });
}

} // namespace Duovue
