#pragma once

#include <QWidget>

#include "core/result.h"
#include "settings/settingsfields.h"

class QButtonGroup;

namespace Duovue
{

class SettingsStore;

/// The viewer page of the settings dialog: the comparison viewer's placement, its initial picture
/// size and the auto-advance interval. Reads its values from the store when built.
/// Thread: GUI thread.
class CSetMiku final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSetMiku)

public:
    explicit CSetMiku(const SettingsStore &store, QWidget *parent = nullptr);

    FieldError readControls();
    /// Writes "大きさ", "位置", "X座標", "Y座標", "幅", "高さ", "時間" of "見比べ", in that order.
    Result<void> write(SettingsStore &store) const;

    int placement() const { return m_placement.placement; }
    int width() const { return m_placement.widthValue; }
    int height() const { return m_placement.heightValue; }
    QLineEdit *widthEdit() const { return m_placement.width; }
    QLineEdit *intervalEdit() const { return m_interval; }
    SettingsFields::Placement &placementFields() { return m_placement; }
    QButtonGroup *sizeRadios() const { return m_size; }

private:
    SettingsFields::Placement m_placement;
    QButtonGroup *m_size = nullptr;
    QLineEdit *m_interval = nullptr;
    int m_fitToWindow = 0;
    int m_intervalValue = 1000;
};

} // namespace Duovue
