#pragma once

#include <array>

#include <QDialog>
#include <QImage>

#include "imaging/pixelops.h"

class QCheckBox;
class QSlider;
class QSpinBox;

namespace Duovue
{

/// The brightness dialog "明度調整" of a viewer pane: red, green and blue offsets of -100..100, each
/// a slider and a number field, optionally linked, with a live preview.
///
/// It works from the picture the pane showed when it opened (`BaselinePixels`) and tells the pane
/// what to show through pictureChanged: on every change while the preview is on, the baseline on
/// リセット (with the preview on) and always on キャンセル, so cancelling restores the baseline exactly.
/// O K keeps the last preview. Thread: GUI thread.
class CBrightDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CBrightDlg)

public:
    explicit CBrightDlg(const QImage &baseline, QWidget *parent = nullptr);

    PixelOps::ChannelOffsets offsets() const;

    QCheckBox *linkBox() const { return m_link; }
    QCheckBox *previewBox() const { return m_preview; }
    QSlider *slider(int channel) const { return m_sliders[channel]; }
    QSpinBox *number(int channel) const { return m_numbers[channel]; }

public Q_SLOTS:
    void reset();
    void reject() override;

Q_SIGNALS:
    /// The pane shows @p picture from now on.
    void pictureChanged(const QImage &picture);

private:
    void numberChanged(int channel, int value);
    void linkToggled(bool on);
    void apply();

    QImage m_baseline;
    // The pane holds the buffer shown last; the next update is computed into the other one, so a
    // slider drag reuses two buffers instead of allocating one per step.
    std::array<QImage, 2> m_buffers;
    int m_nextBuffer = 0;
    bool m_updating = false;

    QCheckBox *m_link = nullptr;
    QCheckBox *m_preview = nullptr;
    std::array<QSlider *, 3> m_sliders{};
    std::array<QSpinBox *, 3> m_numbers{};
};

} // namespace Duovue
