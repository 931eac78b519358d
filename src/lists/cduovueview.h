#pragma once

#include "lists/cmyvirtuallistview.h"
#include "lists/listtarget.h"
#include "resources/commandtable.h"

class QMenu;

namespace Duovue
{

class SettingsStore;

/// The file list of one side of the main window: the columns with their titles, alignments,
/// display order and remembered widths ("カラム幅"/"<side>-<column>"), and the width and height
/// columns while the document shows them; the context menus "List_con" (normal mode) and "Cmp_con"
/// (result mode), the Delete and Space keys, and the in-place editing of a file name.
///
/// The view runs what only concerns itself (select all, invert the selection, start a rename) and
/// asks for everything else with commandRequested, deleteKeyPressed and renameRequested; the main
/// window runs those commands on commandTarget(). In result mode rows are marked by checks, not by
/// selection: nothing can be selected, and the focused row is the row commands act on.
///
/// Thread: GUI thread. Writes the column widths to the settings store when destroyed; the store
/// must outlive the view. Owns its menus.
class CDuovueView final : public CMyVirtualListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDuovueView)

public:
    static constexpr int ResultColumnWidth = 50;
    /// The context menu opens this far right of and below the click.
    static constexpr int MenuOffset = 5;

    CDuovueView(CDuovueDoc &document, SettingsStore &settings, int side, QWidget *parent = nullptr);
    ~CDuovueView() override;

    /// Shows or hides columns 5 and 6 ("幅", "高さ") with their display order (the document's
    /// dimensionColumnsChanged calls it).
    void setResultColumns(bool shown);
    bool resultColumnsShown() const;

    /// The logical columns in display order (visible ones only).
    QList<int> displayOrder() const;

    /// The context menu of result mode ("Cmp_con") or of normal mode ("List_con").
    QMenu *contextMenu(bool resultMode) const;
    /// The action of command @p commandId in the menu of @p resultMode, or nullptr.
    QAction *menuAction(bool resultMode, int commandId) const;
    /// What a list command chosen now acts on.
    ListTarget commandTarget() const;

    /// Opens the file name of @p row for editing in place (rows that name a file only).
    void startRename(int row);

Q_SIGNALS:
    /// A context-menu command that is not the view's own was chosen.
    void commandRequested(int commandId);
    /// Delete was pressed with rows selected.
    void deleteKeyPressed();
    /// The in-place edit of row @p row's file name ended with @p text (after the editor closed).
    void renameRequested(int row, const QString &text);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void commitData(QWidget *editor) override;

private:
    void setDisplayOrder(const QList<int> &order);
    QMenu *buildMenu(bool resultMode);
    void chooseCommand(int commandId);
    void invertSelection();
    void followResultMode(bool on);

    SettingsStore &m_settings;
    QMenu *m_listMenu = nullptr;
    QMenu *m_resultMenu = nullptr;
    int m_renameRow = -1;
};

} // namespace Duovue
