#include "lists/cmyvirtuallistview.h"

#include <QBitmap>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimerEvent>
#include <QToolTip>
#include <QUrl>

#include "document/cduovuedoc.h"
#include "document/filelistmodel.h"
#include "lists/droppedpaths.h"
#include "resources/rowimages.h"

namespace Duovue
{

namespace
{

// Exposes the delegate's option set-up, so the view can find where a row's image is drawn.
class RowDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void prepare(QStyleOptionViewItem *option, const QModelIndex &index) const { initStyleOption(option, index); }
};

} // namespace

CMyVirtualListView::CMyVirtualListView(CDuovueDoc &document, int side, QWidget *parent)
    : QTableView(parent)
    , m_document(document)
    , m_side(side)
    , m_model(new FileListModel(document, side, this))
{
    setObjectName(QStringLiteral("ListView%1").arg(side));
    m_model->setRowImages(RowImages::modelImages());
    setModel(m_model);
    setItemDelegate(new RowDelegate(this));

    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setIconSize(QSize(RowImages::Size, RowImages::Size));
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);

    QHeaderView *rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(qMax(RowImages::Size + 2, fontMetrics().height() + 4));

    QHeaderView *columns = horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setSectionsClickable(true);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSortIndicatorShown(false);
    columns->setDefaultSectionSize(120);
    connect(columns, &QHeaderView::sectionClicked, this, &CMyVirtualListView::columnClicked);

    // Rows are reordered by our own drag; files come in from other programs onto the rows only.
    setDragEnabled(true);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(true);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        mirrorScroll(Qt::Vertical, v);
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        mirrorScroll(Qt::Horizontal, v);
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        Q_EMIT selectedCountChanged(selectedCount());
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (current.isValid())
            Q_EMIT currentRowChanged(current.row());
    });
    // A reset clears the selection without telling; the count label must follow anyway.
    connect(m_model, &QAbstractItemModel::modelReset, this, &CMyVirtualListView::rowCountChanged);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &CMyVirtualListView::rowCountChanged);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CMyVirtualListView::rowCountChanged);
}

CMyVirtualListView::~CMyVirtualListView()
{
    m_scrollTimer.stop();
    delete m_dragPicture.data();
}

void CMyVirtualListView::setPartner(CMyVirtualListView *partner)
{
    m_partner = partner;
}

void CMyVirtualListView::rowCountChanged()
{
    // Rows that come or go under a drag make its row numbers wrong.
    if (m_drag.isActive())
        finishDrag(false);
    Q_EMIT selectedCountChanged(selectedCount());
}

QList<int> CMyVirtualListView::selectedRowList() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CMyVirtualListView::selectedCount() const
{
    // Counted from the ranges: listing every index of a large selection would cost far more.
    int count = 0;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        if (range.left() == 0)
            count += range.height();
    }
    return count;
}

void CMyVirtualListView::columnClicked(int column)
{
    if (m_drag.isActive())
        return;
    if (m_document.sortRows(m_side, column, m_sortDescending[column])) {
        m_sortDescending[column] = !m_sortDescending[column];
        Q_EMIT rowsRearranged();
    }
}

void CMyVirtualListView::mirrorScroll(Qt::Orientation orientation, int value)
{
    if (!m_document.resultMode() || !m_partner || m_mirroring)
        return;
    m_partner->m_mirroring = true;
    QScrollBar *bar = orientation == Qt::Vertical ? m_partner->verticalScrollBar() : m_partner->horizontalScrollBar();
    bar->setValue(value);
    m_partner->m_mirroring = false;
}

QRect CMyVirtualListView::iconRect(int row) const
{
    const QModelIndex index = m_model->index(row, 0);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    static_cast<const RowDelegate *>(itemDelegate())->prepare(&option, index);
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

void CMyVirtualListView::toggleChecksOfSelection()
{
    m_document.toggleChecks(selectedRowList());
}

void CMyVirtualListView::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    QTableView::mousePressEvent(event);
    if (m_document.resultMode() && event->button() == Qt::LeftButton && index.isValid()
        && iconRect(index.row()).contains(pos))
        m_document.toggleChecks({index.row()});
}

void CMyVirtualListView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const QPoint global = event->globalPosition().toPoint();
    if (m_drag.isActive()) {
        dragMoveTo(pos, global);
        return;
    }
    setScroll({}); // without a drag the automatic scroll has nothing to do
    m_lastMousePos = pos;
    m_lastGlobalPos = global;
    QTableView::mouseMoveEvent(event);
    if (m_drag.isActive()) // the move started a drag
        dragMoveTo(pos, global);
}

void CMyVirtualListView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_drag.isActive() && event->button() == Qt::LeftButton) {
        finishDrag(true);
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void CMyVirtualListView::keyPressEvent(QKeyEvent *event)
{
    if (m_drag.isActive()) {
        if (event->key() == Qt::Key_Escape)
            finishDrag(false);
        event->accept();
        return;
    }
    if (m_document.resultMode()) {
        if (event->key() == Qt::Key_Space) {
            toggleChecksOfSelection();
            event->accept();
            return;
        }
        if (m_partner) {
            QKeyEvent copy(event->type(),
                event->key(),
                event->modifiers(),
                event->text(),
                event->isAutoRepeat(),
                static_cast<quint16>(event->count()));
            m_partner->processKey(&copy);
        }
    }
    processKey(event);
}

void CMyVirtualListView::processKey(QKeyEvent *event)
{
    QTableView::keyPressEvent(event);
}

void CMyVirtualListView::startDrag(Qt::DropActions supportedActions)
{
    Q_UNUSED(supportedActions)
    if (m_document.resultMode() || m_drag.isActive())
        return;
    if (!m_drag.begin(selectedRowList()))
        return;
    m_scroll = {};
    showDragPicture(m_drag.rows(), m_lastMousePos);
    viewport()->setCursor(RowImages::dragCursor());
}

void CMyVirtualListView::showDragPicture(const QList<int> &rows, const QPoint &viewportPos)
{
    // The picture shows the selected rows as they look in the list, those in view only: a union
    // over rows far apart could be larger than the screen.
    const QRect visible = viewport()->rect();
    const int left = -horizontalOffset();
    const int width = horizontalHeader()->length();
    QRect area;
    QList<QRect> parts;
    for (int row : rows) {
        const int y = rowViewportPosition(row);
        if (y < 0 && y + rowHeight(row) <= 0)
            continue;
        const QRect r = QRect(left, y, width, rowHeight(row)).intersected(visible);
        if (r.isEmpty())
            continue;
        parts.append(r);
        area = area.united(r);
    }
    m_hotSpot = viewportPos - area.topLeft();
    if (area.isEmpty())
        return;
    QPixmap picture(area.size());
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (const QRect &r : std::as_const(parts))
        painter.drawPixmap(r.topLeft() - area.topLeft(), viewport()->grab(r));
    painter.end();

    auto *label = new QLabel(
        nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
    label->setObjectName(QStringLiteral("DragPicture"));
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAttribute(Qt::WA_DeleteOnClose);
    // Every other pixel is left out, so the rows and the insertion mark under the picture show
    // through without needing a compositing window manager.
    QBitmap mask(picture.size());
    mask.fill(Qt::color0);
    QPainter dots(&mask);
    dots.setPen(Qt::color1);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = y % 2; x < picture.width(); x += 2)
            dots.drawPoint(x, y);
    }
    dots.end();
    label->setPixmap(picture);
    label->resize(picture.size());
    label->setMask(mask);
    label->move(viewport()->mapToGlobal(viewportPos) - m_hotSpot);
    label->show();
    m_dragPicture = label;
}

void CMyVirtualListView::dragMoveTo(const QPoint &viewportPos, const QPoint &globalPos)
{
    if (m_dragPicture)
        m_dragPicture->move(globalPos - m_hotSpot);
    const int y = viewportPos.y();
    // The mark follows the row at the cursor's height while the cursor is over the rows.
    if (viewport()->rect().contains(QPoint(8, y)))
        placeMark(rowAt(y));
    setScroll(DragReorder::scrollFor(y, 0, viewport()->height()));
}

void CMyVirtualListView::placeMark(int row)
{
    const int count = m_model->rowCount();
    const DragReorder::Mark before = m_drag.mark();
    if (!m_drag.placeMark(row, count) && m_drag.mark().row == before.row)
        return;
    viewport()->setCursor(m_drag.mark().onDraggedRow ? QCursor(Qt::ForbiddenCursor) : RowImages::dragCursor());
    viewport()->update();
}

void CMyVirtualListView::setScroll(DragReorder::Scroll scroll)
{
    if (scroll.direction == DragReorder::Direction::None) {
        m_scrollTimer.stop();
        m_scroll = {};
        return;
    }
    if (!m_scrollTimer.isActive() || scroll.periodMs != m_scroll.periodMs)
        m_scrollTimer.start(scroll.periodMs, this);
    m_scroll = scroll;
}

void CMyVirtualListView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_scrollTimer.timerId()) {
        QTableView::timerEvent(event);
        return;
    }
    int target = -1;
    if (!m_drag.isActive() || !m_drag.tick(m_scroll.direction, m_model->rowCount(), &target)) {
        setScroll({});
        return;
    }
    verticalScrollBar()->triggerAction(m_scroll.direction == DragReorder::Direction::Up
            ? QAbstractSlider::SliderSingleStepSub
            : QAbstractSlider::SliderSingleStepAdd);
    placeMark(target);
}

void CMyVirtualListView::finishDrag(bool drop)
{
    setScroll({});
    if (m_dragPicture)
        m_dragPicture->close();
    m_dragPicture = nullptr;
    viewport()->unsetCursor();
    const int insertion = m_drag.insertionIndex();
    const QList<int> rows = m_drag.rows();
    m_drag.end();
    viewport()->update();
    if (!drop || insertion == -1)
        return;
    const int first = m_document.moveRows(m_side, rows, insertion);
    if (first < 0)
        return;
    const int last = first + static_cast<int>(rows.size()) - 1;
    selectionModel()->select(QItemSelection(m_model->index(first, 0), m_model->index(last, m_model->columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect);
    Q_EMIT rowsRearranged();
}

void CMyVirtualListView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    const DragReorder::Mark &mark = m_drag.mark();
    if (!m_drag.isActive() || mark.row < 0 || mark.onDraggedRow)
        return;
    const int count = m_model->rowCount();
    if (count == 0)
        return;
    int y;
    if (mark.row >= count)
        y = rowViewportPosition(count - 1) + rowHeight(count - 1);
    else
        y = rowViewportPosition(mark.row) + (mark.below ? rowHeight(mark.row) : 0);
    if (y < -1 || y > viewport()->height() + 1)
        return;
    QPainter painter(viewport());
    painter.fillRect(QRect(-horizontalOffset(), qMax(0, y - 1), horizontalHeader()->length() - 1, 2),
        palette().color(QPalette::Text));
}

void CMyVirtualListView::dragEnterEvent(QDragEnterEvent *event)
{
    DroppedPaths::acceptAsCopy(event, !DroppedPaths::localPaths(event->mimeData()).isEmpty());
}

void CMyVirtualListView::dragMoveEvent(QDragMoveEvent *event)
{
    DroppedPaths::acceptAsCopy(event, !DroppedPaths::localPaths(event->mimeData()).isEmpty());
}

void CMyVirtualListView::dropEvent(QDropEvent *event)
{
    const QStringList paths = DroppedPaths::localPaths(event->mimeData());
    if (!DroppedPaths::acceptAsCopy(event, !paths.isEmpty()))
        return;
    // Handled once the drop is finished: the scan may take long, and the program the files came from
    // waits for the end of the drop.
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            Q_EMIT pathsDropped(paths);
        },
        Qt::QueuedConnection);
}

bool CMyVirtualListView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        // Info tips: the whole text of a cell that is too narrow for it.
        const auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid()) {
            const QString text = index.data().toString();
            const QRect cell = visualRect(index);
            int needed = fontMetrics().horizontalAdvance(text) + 10;
            if (index.column() == 0)
                needed += iconSize().width() + 4;
            if (!text.isEmpty() && needed > cell.width()) {
                QToolTip::showText(help->globalPos(), text, viewport(), cell);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QTableView::viewportEvent(event);
}

} // namespace Duovue
