#pragma once

#include <QDialog>
#include <QList>

#include "pairtools/jpegmarkers.h"

class QPushButton;
class QTableView;

namespace Duovue
{

/// The dialog "JPEGマーカー": the marker rows of the left and the right file in two lists side by
/// side (address, marker, description); a description cut off by its column shows as a tool tip.
/// A scan that kept only the first rows ends its list with a row saying how many were left out.
///
/// Thread: GUI thread. Its lists hold a copy of the rows.
class CJpegDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CJpegDlg)

public:
    CJpegDlg(MarkerScanResult left, MarkerScanResult right, QWidget *parent = nullptr);

    QTableView *list(int side) const { return m_lists[side]; }
    QPushButton *closeButton() const { return m_close; }

private:
    QTableView *m_lists[2] = {nullptr, nullptr};
    QPushButton *m_close = nullptr;
};

} // namespace Duovue
