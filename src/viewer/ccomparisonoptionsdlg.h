#pragma once

#include <array>

#include <QDialog>

class QCheckBox;
class QSlider;
class QSpinBox;

namespace Duovue
{

/// The small dialog "比較の設定" of the comparison viewer: the difference mode's tolerance (a
/// slider and a number, 0..255), the flicker's interval in milliseconds and whether zoom and
/// scrolling of the panes are linked. Every change takes effect at once (the difference picture
/// follows the slider); the dialog only reports it.
///
/// Thread: GUI thread.
class CComparisonOptionsDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CComparisonOptionsDlg)

public:
    static constexpr int MinimumInterval = 50;
    static constexpr int MaximumInterval = 5000;

    /// @p linked: side by side, and while difference or flicker show.
    CComparisonOptionsDlg(int tolerance, int interval, std::array<bool, 2> linked, QWidget *parent = nullptr);

    QSlider *toleranceSlider() const { return m_slider; }
    QSpinBox *toleranceNumber() const { return m_number; }
    QSpinBox *intervalNumber() const { return m_interval; }
    /// The linking option side by side (false) or while difference or flicker show (true).
    QCheckBox *linkedBox(bool compared) const { return m_linked[compared ? 1 : 0]; }

Q_SIGNALS:
    void toleranceChanged(int tolerance);
    void intervalChanged(int ms);
    void linkedChanged(bool compared, bool linked);

private:
    QSlider *m_slider = nullptr;
    QSpinBox *m_number = nullptr;
    QSpinBox *m_interval = nullptr;
    std::array<QCheckBox *, 2> m_linked{};
};

} // namespace Duovue
