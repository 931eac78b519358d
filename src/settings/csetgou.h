#pragma once

#include <QWidget>

#include "core/result.h"
#include "settings/settingsfields.h"

class QButtonGroup;
class QComboBox;
class QToolButton;

namespace Duovue
{

class SettingsStore;

/// The compositing page of the settings dialog: the compositing window's initial method, aspect and
/// ratio, the JPEG quality of saved composites and the largest composite size. Reads its values from
/// the store when built. Thread: GUI thread.
class CSetGou final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSetGou)

public:
    static constexpr int MinQuality = 20;
    static constexpr int MaxQuality = 100;

    explicit CSetGou(const SettingsStore &store, QWidget *parent = nullptr);

    FieldError readControls();
    /// Writes "方法", "品質", "幅", "高さ", "縦横比", "比率" of "合成", in that order.
    Result<void> write(SettingsStore &store) const;

    QLineEdit *qualityEdit() const { return m_quality; }
    QLineEdit *widthEdit() const { return m_width; }
    QLineEdit *heightEdit() const { return m_height; }
    QToolButton *qualityUp() const { return m_up; }
    QToolButton *qualityDown() const { return m_down; }
    QButtonGroup *methodRadios() const { return m_method; }
    QButtonGroup *aspectRadios() const { return m_aspect; }
    QComboBox *ratioList() const { return m_ratio; }

private:
    void stepQuality(int delta);

    QButtonGroup *m_method = nullptr;
    QButtonGroup *m_aspect = nullptr;
    QComboBox *m_ratio = nullptr;
    QLineEdit *m_quality = nullptr;
    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    QLineEdit *m_width = nullptr;
    QLineEdit *m_height = nullptr;

    int m_methodValue = 0;
    int m_aspectValue = 0;
    int m_ratioIndex = 0;
    int m_qualityValue = 95;
    int m_widthValue = 800;
    int m_heightValue = 600;
    int m_upDownPosition = 95;
};

} // namespace Duovue
