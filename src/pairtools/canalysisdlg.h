#pragma once

#include <QDialog>
#include <QList>

#include "pairtools/differenceanalysis.h"

class QPushButton;
class QTableView;

namespace Duovue
{

/// The dialog "解析結果": the eleven analysis rows with their judgements; rows judged "×" are drawn
/// red on pink.
///
/// Thread: GUI thread. Its list holds a copy of the rows.
class CAnalysisDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAnalysisDlg)

public:
    explicit CAnalysisDlg(QList<AnalysisRow> rows, QWidget *parent = nullptr);

    static QColor highlightText() { return QColor(255, 0, 0); }
    static QColor highlightBackground() { return QColor(255, 230, 230); }

    QTableView *list() const { return m_list; }
    QPushButton *closeButton() const { return m_close; }

private:
    QTableView *m_list = nullptr;
    QPushButton *m_close = nullptr;
};

} // namespace Duovue
