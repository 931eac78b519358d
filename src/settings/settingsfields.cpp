#include "settings/settingsfields.h"

#include <limits>
#include <optional>

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/appsettings.h"
#include "core/settingsstore.h"

namespace Duovue::SettingsFields
{

namespace
{

constexpr int EditWidth = 72;

// Optional surrounding blanks, an optional sign, digits; nullopt when the text is anything else or
// the number does not fit an int.
std::optional<int> parseInt(const QString &text, bool allowSign)
{
    const QString t = text.trimmed();
    static const QRegularExpression signedPattern(QStringLiteral("^[+-]?[0-9]+$"));
    static const QRegularExpression digitsPattern(QStringLiteral("^[0-9]+$"));
    if (!(allowSign ? signedPattern : digitsPattern).match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = t.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

QGroupBox *labelledPair(const QString &title,
    const QString &firstLabel,
    QLineEdit *first,
    const QString &secondLabel,
    QLineEdit *second,
    QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    auto *grid = new QGridLayout(box);
    grid->addWidget(new QLabel(firstLabel, box), 0, 0);
    grid->addWidget(first, 0, 1);
    grid->addWidget(new QLabel(secondLabel, box), 1, 0);
    grid->addWidget(second, 1, 1);
    grid->setColumnStretch(2, 1);
    return box;
}

} // namespace

QLineEdit *signedEdit(const QString &toolTip, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setAlignment(Qt::AlignCenter);
    edit->setToolTip(toolTip);
    edit->setFixedWidth(EditWidth);
    return edit;
}

QLineEdit *digitsEdit(const QString &toolTip, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setToolTip(toolTip);
    edit->setFixedWidth(EditWidth);
    return edit;
}

FieldError readSigned(QLineEdit *edit, int &value)
{
    const std::optional<int> v = parseInt(edit->text(), true);
    if (!v)
        return {edit, QStringLiteral("整数を入力してください。")};
    value = *v;
    return {};
}

FieldError readDigits(QLineEdit *edit, int &value)
{
    const std::optional<int> v = parseInt(edit->text(), false);
    if (!v)
        return {edit, QStringLiteral("正の整数を入力してください。")};
    value = *v;
    return {};
}

FieldError readDigitsInRange(QLineEdit *edit, int min, int max, int &value)
{
    int v = 0;
    if (FieldError e = readDigits(edit, v))
        return e;
    if (v < min || v > max)
        return {edit, QStringLiteral("%1 から %2 までの整数を入力してください。").arg(min).arg(max)};
    value = v;
    return {};
}

void setNumber(QLineEdit *edit, int value)
{
    edit->setText(QString::number(value));
}

Result<void> writeInOrder(SettingsStore &store, std::initializer_list<std::pair<IntSetting, int>> values)
{
    for (const auto &[setting, value] : values) {
        if (Result<void> r = store.setValue(setting, value); !r)
            return r;
    }
    return {};
}

void Placement::build(const QString &title, const ToolTips &toolTips, const QString &captureText, QWidget *parent)
{
    box = new QGroupBox(title, parent);
    radios = new QButtonGroup(box);
    maximized = new QRadioButton(QStringLiteral("最大化 (&M)"), box);
    maximized->setToolTip(QStringLiteral("最大化で表示します。"));
    placed = new QRadioButton(QStringLiteral("指定の位置とサイズ (&A)"), box);
    placed->setToolTip(QStringLiteral("指定の位置とサイズで表示します。"));
    radios->addButton(maximized, 0);
    radios->addButton(placed, 1);

    left = signedEdit(toolTips.left, box);
    top = signedEdit(toolTips.top, box);
    width = digitsEdit(toolTips.width, box);
    height = digitsEdit(toolTips.height, box);
    left->setAccessibleName(QStringLiteral("X座標"));
    top->setAccessibleName(QStringLiteral("Y座標"));
    width->setAccessibleName(QStringLiteral("幅"));
    height->setAccessibleName(QStringLiteral("高さ"));

    auto *pairs = new QHBoxLayout;
    pairs->addWidget(
        labelledPair(QStringLiteral("左上の座標"), QStringLiteral("X座標"), left, QStringLiteral("Y座標"), top, box));
    pairs->addWidget(
        labelledPair(QStringLiteral("サイズ"), QStringLiteral("幅"), width, QStringLiteral("高さ"), height, box));

    auto *layout = new QVBoxLayout(box);
    layout->addWidget(maximized);
    layout->addWidget(placed);
    layout->addLayout(pairs);
    if (!captureText.isEmpty()) {
        capture = new QPushButton(captureText, box);
        capture->setAutoDefault(false);
        layout->addWidget(capture, 0, Qt::AlignRight);
    }
    QObject::connect(radios, &QButtonGroup::idClicked, box, [this] {
        updateEnabled();
    });
}

void Placement::updateEnabled()
{
    const bool on = placed->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(left),
             static_cast<QWidget *>(top),
             static_cast<QWidget *>(width),
             static_cast<QWidget *>(height)})
        w->setEnabled(on);
    if (capture)
        capture->setEnabled(on);
}

void Placement::load(const SettingsStore &store,
    const IntSetting &placementSetting,
    const IntSetting &leftSetting,
    const IntSetting &topSetting,
    const IntSetting &widthSetting,
    const IntSetting &heightSetting)
{
    placement = store.value(placementSetting);
    leftValue = store.value(leftSetting);
    topValue = store.value(topSetting);
    widthValue = store.value(widthSetting);
    heightValue = store.value(heightSetting);
    (placement != 0 ? placed : maximized)->setChecked(true);
    setNumber(left, leftValue);
    setNumber(top, topValue);
    setNumber(width, widthValue);
    setNumber(height, heightValue);
    updateEnabled();
}

FieldError Placement::read()
{
    placement = maximized->isChecked() ? 0 : 1;
    if (FieldError e = readSigned(left, leftValue))
        return e;
    if (FieldError e = readSigned(top, topValue))
        return e;
    if (FieldError e = readDigits(width, widthValue))
        return e;
    return readDigits(height, heightValue);
}

} // namespace Duovue::SettingsFields
