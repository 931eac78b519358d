#include "settings/csetgou.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/appsettings.h"
#include "core/settingsstore.h"

namespace Duovue
{

namespace
{

QGroupBox *radioBox(const QString &title,
    const std::initializer_list<std::pair<QString, QString>> &radios,
    QButtonGroup *&group,
    QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    auto *layout = new QVBoxLayout(box);
    group = new QButtonGroup(box);
    int id = 0;
    for (const auto &[caption, toolTip] : radios) {
        auto *radio = new QRadioButton(caption, box);
        radio->setToolTip(toolTip);
        group->addButton(radio, id++);
        layout->addWidget(radio);
    }
    layout->addStretch();
    return box;
}

void check(QButtonGroup *group, int id)
{
    if (QAbstractButton *b = group->button(id))
        b->setChecked(true);
}

} // namespace

CSetGou::CSetGou(const SettingsStore &store, QWidget *parent)
    : QWidget(parent)
{
    QGroupBox *methodBox = radioBox(QStringLiteral("初期合成方法"),
        {{QStringLiteral("横向き (&W)"), QStringLiteral("合成方法を横向きにします。")},
            {QStringLiteral("縦向き (&H)"), QStringLiteral("合成方法を縦向きにします。")},
            {QStringLiteral("ドット (&D)"), QStringLiteral("合成方法をドットにします。")}},
        m_method,
        this);
    QGroupBox *aspectBox = radioBox(QStringLiteral("初期縦横比"),
        {{QStringLiteral("フリー(&F)"), QStringLiteral("縦横比をフリーにします。")},
            {QStringLiteral("オリジナル(&O)"), QStringLiteral("縦横比をオリジナルにします。")}},
        m_aspect,
        this);

    auto *ratioBox = new QGroupBox(QStringLiteral("初期合成比率"), this);
    m_ratio = new QComboBox(ratioBox);
    for (int i = 1; i <= 5; ++i)
        m_ratio->addItem(QString::number(i));
    m_ratio->setToolTip(QStringLiteral("合成する比率を pixel 単位で設定します。"));
    m_ratio->setAccessibleName(QStringLiteral("初期合成比率"));
    auto *ratioLayout = new QHBoxLayout(ratioBox);
    ratioLayout->addWidget(m_ratio);
    ratioLayout->addWidget(new QLabel(QStringLiteral("pixel"), ratioBox));
    ratioLayout->addStretch();

    auto *qualityBox = new QGroupBox(QStringLiteral("JPEGの保存品質"), this);
    m_quality = SettingsFields::digitsEdit(QStringLiteral("JPEGで保存するときの画像品質です。"), qualityBox);
    m_quality->setAccessibleName(QStringLiteral("JPEGの保存品質"));
    const QString stepTip = QStringLiteral("20～100の間で設定してください。");
    m_up = new QToolButton(qualityBox);
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(qualityBox);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {m_up, m_down}) {
        b->setToolTip(stepTip);
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setAccessibleName(QStringLiteral("品質を上げる"));
    m_down->setAccessibleName(QStringLiteral("品質を下げる"));
    connect(m_up, &QToolButton::clicked, this, [this] {
        stepQuality(1);
    });
    connect(m_down, &QToolButton::clicked, this, [this] {
        stepQuality(-1);
    });
    auto *arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    auto *qualityLayout = new QHBoxLayout(qualityBox);
    qualityLayout->setSpacing(2);
    qualityLayout->addWidget(m_quality);
    qualityLayout->addLayout(arrows);
    qualityLayout->addSpacing(6);
    qualityLayout->addWidget(new QLabel(QStringLiteral("(20 ～ 100)"), qualityBox));
    qualityLayout->addStretch();

    auto *sizeBox = new QGroupBox(QStringLiteral("画像サイズ"), this);
    m_width = SettingsFields::digitsEdit(QStringLiteral("作成する最大の幅を設定してください。"), sizeBox);
    m_height = SettingsFields::digitsEdit(QStringLiteral("作成する最大の高さを設定してください。"), sizeBox);
    m_width->setAccessibleName(QStringLiteral("最大の幅"));
    m_height->setAccessibleName(QStringLiteral("最大の高さ"));
    auto *sizeLayout = new QGridLayout(sizeBox);
    sizeLayout->addWidget(new QLabel(QStringLiteral("幅"), sizeBox), 0, 0);
    sizeLayout->addWidget(m_width, 0, 1);
    sizeLayout->addWidget(new QLabel(QStringLiteral("高さ"), sizeBox), 1, 0);
    sizeLayout->addWidget(m_height, 1, 1);
    sizeLayout->addWidget(new QLabel(QStringLiteral("このサイズ以下で作成する"), sizeBox), 0, 2, 2, 1);
    sizeLayout->setColumnStretch(3, 1);

    auto *top = new QHBoxLayout;
    top->addWidget(methodBox);
    top->addWidget(aspectBox);
    auto *middle = new QHBoxLayout;
    middle->addWidget(ratioBox);
    middle->addWidget(qualityBox);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addWidget(sizeBox);
    layout->addStretch();

    m_methodValue = store.value(AppSettings::ComposeMethod());
    m_qualityValue = store.value(AppSettings::JpegQuality());
    m_widthValue = store.value(AppSettings::ComposeMaxWidth());
    m_heightValue = store.value(AppSettings::ComposeMaxHeight());
    m_aspectValue = store.value(AppSettings::ComposeAspect());
    m_ratioIndex = store.value(AppSettings::ComposeStep()) - 1;
    check(m_method, m_methodValue);
    check(m_aspect, m_aspectValue);
    m_ratio->setCurrentIndex(m_ratioIndex >= 0 && m_ratioIndex < m_ratio->count() ? m_ratioIndex : -1);
    SettingsFields::setNumber(m_quality, m_qualityValue);
    SettingsFields::setNumber(m_width, m_widthValue);
    SettingsFields::setNumber(m_height, m_heightValue);
    m_upDownPosition = std::clamp(m_qualityValue, MinQuality, MaxQuality);
}

void CSetGou::stepQuality(int delta)
{
    // The arrows start from the number in the edit when it is one, as an attached up-down does.
    bool ok = false;
    const int typed = m_quality->text().toInt(&ok);
    const int from = ok ? typed : m_upDownPosition;
    m_upDownPosition = std::clamp(from + delta, MinQuality, MaxQuality);
    SettingsFields::setNumber(m_quality, m_upDownPosition);
}

FieldError CSetGou::readControls()
{
    // A stored value outside the choices leaves nothing selected, which reads back as -1.
    m_methodValue = m_method->checkedId();
    m_aspectValue = m_aspect->checkedId();
    m_ratioIndex = m_ratio->currentIndex();
    if (FieldError e = SettingsFields::readDigitsInRange(m_quality, MinQuality, MaxQuality, m_qualityValue))
        return e;
    if (FieldError e = SettingsFields::readDigits(m_width, m_widthValue))
        return e;
    return SettingsFields::readDigits(m_height, m_heightValue);
}

Result<void> CSetGou::write(SettingsStore &store) const
{
    return SettingsFields::writeInOrder(store,
        {
            {AppSettings::ComposeMethod(), m_methodValue},
            {AppSettings::JpegQuality(), m_qualityValue},
            {AppSettings::ComposeMaxWidth(), m_widthValue},
            {AppSettings::ComposeMaxHeight(), m_heightValue},
            {AppSettings::ComposeAspect(), m_aspectValue},
            {AppSettings::ComposeStep(), m_ratioIndex + 1},
        });
}

} // namespace Duovue
