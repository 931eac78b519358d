#pragma once

#include <initializer_list>
#include <utility>

#include <QString>

#include "core/appsettings.h"
#include "core/result.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace Duovue
{

class SettingsStore;

/// A field of a settings page that refused its text, with the message that says why.
struct FieldError {
    QLineEdit *field = nullptr;
    QString message;

    explicit operator bool() const { return field != nullptr; }
};

/// The edits and checks shared by the settings pages. Thread: GUI thread.
namespace SettingsFields
{

/// An edit for a signed integer (any text may be typed; it is checked on reading), centred.
QLineEdit *signedEdit(const QString &toolTip, QWidget *parent);
/// An edit that takes digits only.
QLineEdit *digitsEdit(const QString &toolTip, QWidget *parent);

/// Reads a signed integer: "整数を入力してください。" when the text is not one.
FieldError readSigned(QLineEdit *edit, int &value);
/// Reads a number of digits: "正の整数を入力してください。" when empty or not a number.
FieldError readDigits(QLineEdit *edit, int &value);
/// Reads a number of digits in [min, max]: the range message otherwise.
FieldError readDigitsInRange(QLineEdit *edit, int min, int max, int &value);

void setNumber(QLineEdit *edit, int value);

/// Writes the values in the order given; stops at the first write that fails.
Result<void> writeInOrder(SettingsStore &store, std::initializer_list<std::pair<IntSetting, int>> values);

/// The placement group of a window (maximized or placed, with position and size), as the main
/// window page and the viewer page both have it.
struct Placement {
    QGroupBox *box = nullptr;
    QButtonGroup *radios = nullptr; // id 0 maximized, 1 placed
    QRadioButton *maximized = nullptr;
    QRadioButton *placed = nullptr;
    QLineEdit *left = nullptr;
    QLineEdit *top = nullptr;
    QLineEdit *width = nullptr;
    QLineEdit *height = nullptr;
    QPushButton *capture = nullptr; // optional, enabled with the edits

    int placement = 0;
    int leftValue = 0;
    int topValue = 0;
    int widthValue = 0;
    int heightValue = 0;

    struct ToolTips {
        QString left, top, width, height;
    };
    /// Builds the group titled @p title; @p captureText adds the capture button when not empty.
    void build(const QString &title, const ToolTips &toolTips, const QString &captureText, QWidget *parent);
    /// The edits (and the capture button) are usable only for a placed window.
    void updateEnabled();
    void load(const SettingsStore &store,
        const IntSetting &placementSetting,
        const IntSetting &leftSetting,
        const IntSetting &topSetting,
        const IntSetting &widthSetting,
        const IntSetting &heightSetting);
    FieldError read();
};

} // namespace SettingsFields

} // namespace Duovue
