#pragma once

#include <QWidget>

#include "document/listfill.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace Duovue
{

struct AppState;
class SettingsStore;
class UserPrompts;

/// The control form above a file list: "新規 (&N)" / "追加 (&A)", "サブフォルダも含める (&S)", the
/// folder button "フォルダ選択 (&T)" that fills the side from a chosen folder, and the two count
/// labels. The subfolder box starts from "Con"/"Sub<side>" and is written back when the form is
/// destroyed; the radio always starts at "新規".
///
/// Thread: GUI thread. Does not own the state, the store, the prompts or the fill host, which must
/// outlive it.
class CContDlgView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CContDlgView)

public:
    static constexpr int FormWidth = 310;

    CContDlgView(int side,
        AppState &state,
        SettingsStore &settings,
        UserPrompts &prompts,
        ListFillHost &host,
        QWidget *parent = nullptr);
    ~CContDlgView() override;

    int side() const { return m_side; }

    /// The controls' values as a fill or a drop reads them.
    FillOptions options() const;
    /// Selects "新規 (&N)" (after the side's list was emptied by a command).
    void setNewMode();
    void setIncludeSubfolders(bool on);

    void setTotalCount(int count);
    void setSelectedCount(int count);
    QString totalText() const;
    QString selectedText() const;

    QPushButton *folderButton() const { return m_folder; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public Q_SLOTS:
    /// The folder button: asks for a folder and fills the side from it.
    void chooseFolder();

private:
    int m_side;
    AppState &m_state;
    SettingsStore &m_settings;
    UserPrompts &m_prompts;
    ListFillHost &m_host;
    QRadioButton *m_new = nullptr;
    QRadioButton *m_add = nullptr;
    QCheckBox *m_subfolders = nullptr;
    QPushButton *m_folder = nullptr;
    QLabel *m_total = nullptr;
    QLabel *m_selected = nullptr;
};

} // namespace Duovue
