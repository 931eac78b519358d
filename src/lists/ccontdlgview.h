#pragma once

#include <QWidget>

#include "document/commandcontext.h"
#include "document/listfill.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace Duovue
{

/// The control form above a file list: "新規 (&N)" / "追加 (&A)", "サブフォルダも含める (&S)", the
/// folder button "フォルダ選択 (&T)" that fills the side from a chosen folder, and the two count
/// labels, which follow the document. The subfolder box starts from "Con"/"Sub<side>" and is
/// written back when the form is destroyed; the radio always starts at "新規".
///
/// Thread: GUI thread. Does not own what the context names or the progress, which must outlive it.
/// Its widget parent is @p parent, not the context's dialog owner.
class CContDlgView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CContDlgView)

public:
    static constexpr int FormWidth = 310;

    CContDlgView(int side, const CommandContext &context, FillProgress &progress, QWidget *parent = nullptr);
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
    CommandContext m_context;
    FillProgress &m_progress;
    QRadioButton *m_new = nullptr;
    QRadioButton *m_add = nullptr;
    QCheckBox *m_subfolders = nullptr;
    QPushButton *m_folder = nullptr;
    QLabel *m_total = nullptr;
    QLabel *m_selected = nullptr;
};

} // namespace Duovue
