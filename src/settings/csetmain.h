#pragma once

#include <QWidget>

#include "core/result.h"
#include "settings/settingsfields.h"

class QButtonGroup;
class QCheckBox;

namespace Duovue
{

class FileAssociation;
class SettingsStore;
class ShellServices;
class UserPrompts;

/// The main window page of the settings dialog: the main window's start placement, the toolbar at
/// start and the ".duov" association. Reads its values from the store when built.
/// Thread: GUI thread.
class CSetMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSetMain)

public:
    /// @p mainWindow is the window whose rectangle the capture button takes (may be null).
    CSetMain(const SettingsStore &store,
        UserPrompts &prompts,
        ShellServices &shell,
        const FileAssociation &association,
        const QWidget *mainWindow,
        QWidget *parent = nullptr);

    /// Takes the controls' values; the first field that refuses its text is returned.
    FieldError readControls();
    /// Writes "位置", "X座標", "Y座標", "幅", "高さ", "ツール", "関連付" of "メイン", in that order.
    Result<void> write(SettingsStore &store) const;

    int placement() const { return m_placement.placement; }
    int width() const { return m_placement.widthValue; }
    int height() const { return m_placement.heightValue; }
    QLineEdit *widthEdit() const { return m_placement.width; }

    /// Fills the position and size with the main window's current screen rectangle.
    void captureWindowRect();
    /// Sets or removes the association now, as the radio buttons choose, and reports the outcome.
    void applyAssociation();

    SettingsFields::Placement &placementFields() { return m_placement; }
    QCheckBox *toolbarCheck() const { return m_toolbar; }
    QButtonGroup *associationRadios() const { return m_association; }
    QPushButton *associationButton() const { return m_applyAssociation; }

private:
    UserPrompts &m_prompts;
    ShellServices &m_shell;
    const FileAssociation &m_fileAssociation;
    const QWidget *m_mainWindow;

    SettingsFields::Placement m_placement;
    QCheckBox *m_toolbar = nullptr;
    QButtonGroup *m_association = nullptr;
    QPushButton *m_applyAssociation = nullptr;
    int m_showToolbar = 1;
    int m_associationChoice = 0;
};

} // namespace Duovue
