#pragma once

#include <QDialog>
#include <QList>

#include "pairtools/binarycompare.h"

class QPushButton;
class QTableView;

namespace Duovue
{

/// The dialog "相違点の表示": the runs of a binary comparison, one row each (start address, end
/// address, size). "表示(&S)" opens CShowBinDlg for the first selected run from the top.
///
/// Thread: GUI thread. Holds its own copy of the runs.
class CByReDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CByReDlg)

public:
    explicit CByReDlg(QList<DifferenceRun> runs, QWidget *parent = nullptr);

    QTableView *list() const { return m_list; }
    QPushButton *showButton() const { return m_show; }
    QPushButton *endButton() const { return m_end; }

public Q_SLOTS:
    /// "表示(&S)": shows the bytes of the first selected run; nothing without a selection.
    void showSelectedRun();

private:
    QList<DifferenceRun> m_runs;
    QTableView *m_list = nullptr;
    QPushButton *m_show = nullptr;
    QPushButton *m_end = nullptr;
};

} // namespace Duovue
