#include "lists/cduovueview.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include "core/appsettings.h"
#include "core/logging.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/filelistmodel.h"

namespace Duovue
{

namespace
{

const QList<int> &basicOrder()
{
    static const QList<int> order{0, 4, 2, 3, 1};
    return order;
}

const QList<int> &resultOrder()
{
    static const QList<int> order{0, 4, 5, 6, 2, 3, 1};
    return order;
}

// The items of the two menus in order: 0 stands for a separator, AutoCheckMenu for the submenu.
constexpr int AutoCheckMenu = -1;
const QList<int> &menuItems(bool resultMode)
{
    static const QList<int> normal{IdListClear,
        0,
        IdListRecycle,
        IdListRemove,
        0,
        IdListSelectAll,
        IdListInvertSelection,
        0,
        IdListOpen,
        IdListEdit,
        0,
        IdListMove,
        IdListCopy,
        0,
        IdListPositionTop,
        IdListPositionHere,
        0,
        IdListRename};
    static const QList<int> result{IdListClear,
        0,
        IdListRecycleChecked,
        IdListRemoveChecked,
        0,
        IdListCheckAll,
        IdListToggleChecks,
        IdListUncheckAll,
        0,
        IdListOpen,
        IdListEdit,
        0,
        IdListMove,
        IdListCopy,
        0,
        AutoCheckMenu,
        0,
        IdListRename};
    return resultMode ? result : normal;
}

} // namespace

CDuovueView::CDuovueView(CDuovueDoc &document, SettingsStore &settings, int side, QWidget *parent)
    : CMyVirtualListView(document, side, parent)
    , m_settings(settings)
{
    QHeaderView *header = horizontalHeader();
    for (int c = 0; c <= 4; ++c)
        header->resizeSection(c, qMax(0, m_settings.value(AppSettings::ColumnWidth(side, c))));
    // The width and height columns exist only while the lists show search results.
    header->resizeSection(5, ResultColumnWidth);
    header->resizeSection(6, ResultColumnWidth);
    header->hideSection(5);
    header->hideSection(6);
    setDisplayOrder(basicOrder());
    setResultColumns(document.dimensionColumnsShown());
    connect(&document, &CDuovueDoc::dimensionColumnsChanged, this, &CDuovueView::setResultColumns);

    m_listMenu = buildMenu(false);
    m_resultMenu = buildMenu(true);
    followResultMode(document.resultMode());
    connect(&document, &CDuovueDoc::resultModeChanged, this, &CDuovueView::followResultMode);
}

CDuovueView::~CDuovueView()
{
    // A hidden column counts as missing and is written as 0. Written as the window closes: a failed
    // write keeps the old value and there is no one to tell.
    const QHeaderView *header = horizontalHeader();
    for (int c = 0; c < FileList::ColumnCount; ++c) {
        const int width = header->isSectionHidden(c) ? 0 : header->sectionSize(c);
        warnIfFailed(lcLists(), m_settings.setValue(AppSettings::ColumnWidth(side(), c), width));
    }
}

void CDuovueView::setDisplayOrder(const QList<int> &order)
{
    QHeaderView *header = horizontalHeader();
    for (int visual = 0; visual < order.size(); ++visual)
        header->moveSection(header->visualIndex(order[visual]), visual);
}

QList<int> CDuovueView::displayOrder() const
{
    QList<int> order;
    const QHeaderView *header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            order.append(logical);
    }
    return order;
}

bool CDuovueView::resultColumnsShown() const
{
    return !horizontalHeader()->isSectionHidden(5);
}

void CDuovueView::setResultColumns(bool shown)
{
    // Only a change of the column set resets the display order; an order the user dragged the
    // headers into otherwise stays.
    if (shown == resultColumnsShown())
        return;
    QHeaderView *header = horizontalHeader();
    if (shown) {
        header->showSection(5);
        header->showSection(6);
        header->resizeSection(5, ResultColumnWidth);
        header->resizeSection(6, ResultColumnWidth);
        setDisplayOrder(resultOrder());
    } else {
        header->hideSection(5);
        header->hideSection(6);
        setDisplayOrder(basicOrder());
    }
}

QMenu *CDuovueView::buildMenu(bool resultMode)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(resultMode ? QStringLiteral("Cmp_con") : QStringLiteral("List_con"));
    const auto addItem = [this](QMenu *to, int id) {
        QAction *action = to->addAction(Commands::caption(id));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] {
            chooseCommand(id);
        });
    };
    for (int id : menuItems(resultMode)) {
        if (id == 0) {
            menu->addSeparator();
        } else if (id == AutoCheckMenu) {
            QMenu *rules = menu->addMenu(QStringLiteral("自動チェック(&P)"));
            rules->setObjectName(QStringLiteral("AutoCheckMenu"));
            for (int rule = IdListAutoCheckFirst; rule <= IdListAutoCheckLast; ++rule)
                addItem(rules, rule);
        } else {
            addItem(menu, id);
        }
    }
    return menu;
}

QMenu *CDuovueView::contextMenu(bool resultMode) const
{
    return resultMode ? m_resultMenu : m_listMenu;
}

QAction *CDuovueView::menuAction(bool resultMode, int commandId) const
{
    for (QAction *action : contextMenu(resultMode)->actions()) {
        const QList<QAction *> inner = action->menu() ? action->menu()->actions() : QList<QAction *>{action};
        for (QAction *a : inner) {
            if (a->data().toInt() == commandId && !a->isSeparator())
                return a;
        }
    }
    return nullptr;
}

ListTarget CDuovueView::commandTarget() const
{
    ListTarget target;
    target.side = side();
    target.selectedRows = selectedRowList();
    target.focusedRow = currentIndex().isValid() ? currentIndex().row() : -1;
    return target;
}

void CDuovueView::contextMenuEvent(QContextMenuEvent *event)
{
    // An empty list has nothing to act on and shows no menu.
    if (fileModel()->rowCount() == 0 || isDragging() || state() == EditingState) {
        event->accept();
        return;
    }
    contextMenu(document().resultMode())->popup(event->globalPos() + QPoint(MenuOffset, MenuOffset));
    event->accept();
}

void CDuovueView::chooseCommand(int commandId)
{
    switch (commandId) {
    case IdListSelectAll:
        selectAll();
        break;
    case IdListInvertSelection:
        invertSelection();
        break;
    case IdListRename: {
        const ListTarget target = commandTarget();
        const int row = document().resultMode() ? target.focusedRow
                                                : (target.selectedRows.isEmpty() ? -1 : target.selectedRows.first());
        startRename(row);
        break;
    }
    default:
        Q_EMIT commandRequested(commandId);
        break;
    }
}

void CDuovueView::invertSelection()
{
    const int rows = fileModel()->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(fileModel()->index(0, 0), fileModel()->index(rows - 1, fileModel()->columnCount() - 1));
    selectionModel()->select(all, QItemSelectionModel::Toggle);
}

void CDuovueView::followResultMode(bool on)
{
    // In result mode rows are marked by checks; a row the user clicks only gets the focus.
    if (on)
        clearSelection();
    setSelectionMode(on ? NoSelection : ExtendedSelection);
}

void CDuovueView::startRename(int row)
{
    const QModelIndex index = fileModel()->index(row, 0);
    if (!index.isValid() || !(fileModel()->flags(index) & Qt::ItemIsEditable))
        return;
    scrollTo(index);
    setCurrentIndex(index);
    m_renameRow = row;
    edit(index);
}

void CDuovueView::commitData(QWidget *editor)
{
    // The model never writes the list: the new name goes to the rename command, once the editor is
    // closed (the command may show a message box, which would end the edit a second time).
    const auto *line = qobject_cast<QLineEdit *>(editor);
    const int row = std::exchange(m_renameRow, -1);
    if (!line || row < 0)
        return;
    const QString text = line->text();
    QMetaObject::invokeMethod(
        this,
        [this, row, text] {
            Q_EMIT renameRequested(row, text);
        },
        Qt::QueuedConnection);
}

void CDuovueView::keyPressEvent(QKeyEvent *event)
{
    if (isDragging()) {
        CMyVirtualListView::keyPressEvent(event);
        return;
    }
    // Delete acts on the selection; with nothing selected the key does nothing at all.
    if (event->key() == Qt::Key_Delete) {
        if (selectedCount() > 0)
            Q_EMIT deleteKeyPressed();
        event->accept();
        return;
    }
    // Space flips the check of the focused row in both lists (nothing is selected in result mode).
    if (event->key() == Qt::Key_Space && document().resultMode()) {
        if (currentIndex().isValid())
            document().toggleChecks({currentIndex().row()});
        event->accept();
        return;
    }
    CMyVirtualListView::keyPressEvent(event);
}

} // namespace Duovue
