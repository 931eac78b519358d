#include "viewer/cbrightdlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace Duovue
{

namespace
{

constexpr int Limit = 100;

} // namespace

CBrightDlg::CBrightDlg(const QImage &baseline, QWidget *parent)
    : QDialog(parent)
    , m_baseline(baseline)
{
    setWindowTitle(QStringLiteral("明度調整"));
    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    m_link = new QCheckBox(QStringLiteral("３色を連動して変更(&S)"), this);
    grid->addWidget(m_link, 0, 0, 1, 3);

    const QString labels[] = {QStringLiteral("赤(&R)"), QStringLiteral("緑(&G)"), QStringLiteral("青(&B)")};
    const QString names[] = {QStringLiteral("赤"), QStringLiteral("緑"), QStringLiteral("青")};
    for (int c = 0; c < 3; ++c) {
        auto *label = new QLabel(labels[c], this);
        auto *slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(-Limit, Limit);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(10);
        slider->setMinimumWidth(220);
        slider->setAccessibleName(names[c]);
        auto *number = new QSpinBox(this);
        number->setRange(-Limit, Limit);
        number->setAccessibleName(names[c]);
        label->setBuddy(slider);
        grid->addWidget(label, c + 1, 0);
        grid->addWidget(slider, c + 1, 1);
        grid->addWidget(number, c + 1, 2);
        m_sliders[c] = slider;
        m_numbers[c] = number;
        connect(slider, &QSlider::valueChanged, number, &QSpinBox::setValue);
        connect(number, &QSpinBox::valueChanged, this, [this, c](int value) {
            numberChanged(c, value);
        });
    }

    m_preview = new QCheckBox(QStringLiteral("プレビュー(&P)"), this);
    m_preview->setChecked(true);
    grid->addWidget(m_preview, 4, 0, 1, 3);

    auto *buttons = new QHBoxLayout;
    auto *resetButton = new QPushButton(QStringLiteral("リセット(&E)"), this);
    auto *ok = new QPushButton(QStringLiteral("O K(&O)"), this);
    auto *cancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    ok->setDefault(true);
    buttons->addWidget(resetButton);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 5, 0, 1, 3);

    connect(m_link, &QCheckBox::toggled, this, &CBrightDlg::linkToggled);
    connect(m_preview, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            apply();
    });
    connect(resetButton, &QPushButton::clicked, this, &CBrightDlg::reset);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CBrightDlg::reject);
}

PixelOps::ChannelOffsets CBrightDlg::offsets() const
{
    return {m_numbers[0]->value(), m_numbers[1]->value(), m_numbers[2]->value()};
}

void CBrightDlg::numberChanged(int channel, int value)
{
    if (m_updating)
        return;
    m_updating = true;
    m_sliders[channel]->setValue(value);
    if (m_link->isChecked()) {
        for (int c = 0; c < 3; ++c) {
            m_sliders[c]->setValue(value);
            m_numbers[c]->setValue(value);
        }
    }
    m_updating = false;
    if (m_preview->isChecked())
        apply();
}

void CBrightDlg::linkToggled(bool on)
{
    if (!on)
        return;
    m_updating = true;
    const int red = m_sliders[0]->value();
    for (int c = 1; c < 3; ++c) {
        m_sliders[c]->setValue(red);
        m_numbers[c]->setValue(red);
    }
    m_updating = false;
    if (m_preview->isChecked())
        apply();
}

void CBrightDlg::apply()
{
    const PixelOps::ChannelOffsets o = offsets();
    if (o.isZero()) {
        Q_EMIT pictureChanged(m_baseline);
        return;
    }
    QImage &buffer = m_buffers[m_nextBuffer];
    m_nextBuffer = 1 - m_nextBuffer;
    PixelOps::applyBrightness(m_baseline, o, buffer);
    Q_EMIT pictureChanged(buffer);
}

void CBrightDlg::reset()
{
    m_updating = true;
    for (int c = 0; c < 3; ++c) {
        m_sliders[c]->setValue(0);
        m_numbers[c]->setValue(0);
    }
    m_updating = false;
    if (m_preview->isChecked())
        Q_EMIT pictureChanged(m_baseline);
}

void CBrightDlg::reject()
{
    Q_EMIT pictureChanged(m_baseline);
    QDialog::reject();
}

} // namespace Duovue
