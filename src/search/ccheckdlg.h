#pragma once

#include <array>

#include <QDialog>

class QPushButton;
class QRadioButton;

namespace Duovue
{

class SettingsStore;

/// The auto-check dialog ("自動チェック") shown after a search: one radio per rule and the button
/// "決定(&Z)". Opens with the stored rule ("チェック"/"選択").
///
/// Thread: GUI thread.
class CCheckDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCheckDlg)

public:
    explicit CCheckDlg(int storedRule, QWidget *parent = nullptr);

    /// The rule to apply: the radio chosen when confirmed with "決定(&Z)", else the stored rule.
    int chosenRule() const;

    /// Shows the dialog, stores the rule it ends with and returns it.
    static int ask(SettingsStore &settings, QWidget *parent = nullptr);

    QRadioButton *ruleRadio(int rule) const { return m_radios[std::size_t(rule)]; }
    QPushButton *decideButton() const { return m_decide; }

private:
    int m_storedRule;
    std::array<QRadioButton *, 7> m_radios{};
    QPushButton *m_decide = nullptr;
};

} // namespace Duovue
