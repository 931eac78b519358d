#include "viewer/ccomparisonoptionsdlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "imaging/picturedifference.h"

namespace Duovue
{

CComparisonOptionsDlg::CComparisonOptionsDlg(int tolerance, int interval, std::array<bool, 2> linked, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CComparisonOptionsDlg"));
    //: Title of the viewer's small dialog for the comparison modes.
    setWindowTitle(tr("比較の設定"));
    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    //: The tolerance of the difference view: channel differences up to it do not count.
    auto *toleranceLabel = new QLabel(tr("差分の許容値(&T)"), this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, PictureDifference::MaxTolerance);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(16);
    m_slider->setMinimumWidth(256);
    m_slider->setValue(tolerance);
    m_slider->setAccessibleName(tr("差分の許容値"));
    m_number = new QSpinBox(this);
    m_number->setRange(0, PictureDifference::MaxTolerance);
    m_number->setValue(tolerance);
    m_number->setAccessibleName(tr("差分の許容値"));
    toleranceLabel->setBuddy(m_slider);
    grid->addWidget(toleranceLabel, 0, 0);
    grid->addWidget(m_slider, 0, 1);
    grid->addWidget(m_number, 0, 2);
    //: Explains the tolerance below its slider.
    auto *hint = new QLabel(tr("どれかの色の差がこの値より大きい画素を違いとして表示します。"), this);
    hint->setWordWrap(true);
    grid->addWidget(hint, 1, 0, 1, 3);

    //: The flicker's interval between showing the left and the right picture.
    auto *intervalLabel = new QLabel(tr("点滅の間隔(&I)"), this);
    m_interval = new QSpinBox(this);
    m_interval->setRange(MinimumInterval, MaximumInterval);
    m_interval->setSingleStep(50);
    //: Unit after the flicker interval (milliseconds).
    m_interval->setSuffix(tr(" ミリ秒"));
    m_interval->setValue(interval);
    m_interval->setAccessibleName(tr("点滅の間隔"));
    intervalLabel->setBuddy(m_interval);
    grid->addWidget(intervalLabel, 2, 0);
    grid->addWidget(m_interval, 2, 1, 1, 2, Qt::AlignLeft);

    //: Heading of two check boxes: zooming or scrolling one viewer pane does the same to the other.
    grid->addWidget(new QLabel(tr("ズームとスクロールを左右で連動する:"), this), 3, 0, 1, 3);
    //: Linking while the two pictures are simply shown side by side.
    m_linked[0] = new QCheckBox(tr("並べて表示するとき(&S)"), this);
    //: Linking while the difference view or the flicker shows.
    m_linked[1] = new QCheckBox(tr("差分表示・点滅表示のとき(&L)"), this);
    for (int i = 0; i < 2; ++i) {
        m_linked[i]->setChecked(linked[i]);
        grid->addWidget(m_linked[i], 4 + i, 0, 1, 3);
        connect(m_linked[i], &QCheckBox::toggled, this, [this, i](bool on) {
            Q_EMIT linkedChanged(i == 1, on);
        });
    }

    auto *close = new QPushButton(tr("閉じる(&C)"), this);
    close->setDefault(true);
    grid->addWidget(close, 6, 2);

    connect(m_slider, &QSlider::valueChanged, m_number, &QSpinBox::setValue);
    connect(m_number, &QSpinBox::valueChanged, this, [this](int value) {
        m_slider->setValue(value);
        Q_EMIT toleranceChanged(value);
    });
    connect(m_interval, &QSpinBox::valueChanged, this, &CComparisonOptionsDlg::intervalChanged);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace Duovue
