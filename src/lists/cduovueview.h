#pragma once

#include "lists/cmyvirtuallistview.h"

namespace Duovue
{

class SettingsStore;

/// The file list of one side of the main window: the columns with their titles, alignments,
/// display order and remembered widths ("カラム幅"/"<side>-<column>"), and the width and height
/// columns while the document shows them.
///
/// Thread: GUI thread. Writes the column widths to the settings store when destroyed; the store
/// must outlive the view.
class CDuovueView final : public CMyVirtualListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDuovueView)

public:
    static constexpr int ResultColumnWidth = 50;

    CDuovueView(CDuovueDoc &document, SettingsStore &settings, int side, QWidget *parent = nullptr);
    ~CDuovueView() override;

    /// Shows or hides columns 5 and 6 ("幅", "高さ") with their display order (the document's
    /// dimensionColumnsChanged calls it).
    void setResultColumns(bool shown);
    bool resultColumnsShown() const;

    /// The logical columns in display order (visible ones only).
    QList<int> displayOrder() const;

private:
    void setDisplayOrder(const QList<int> &order);

    SettingsStore &m_settings;
};

} // namespace Duovue
