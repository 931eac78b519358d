#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include "document/cduovuedoc.h"
#include "document/filelistmodel.h"
#include "lists/cmyvirtuallistview.h"

using namespace Duovue;

namespace
{

FileList rows(int count, const QString &primary = QStringLiteral("0"))
{
    FileList list;
    for (int i = 0; i < count; ++i) {
        FileList::Entry e;
        e.columns[0] = QStringLiteral("r%1.jpg").arg(i);
        e.columns[1] = QStringLiteral("/p/");
        e.columns[4] = QString::number(i);
        e.primary = primary;
        list.append(e);
    }
    return list;
}

QStringList names(const FileList &list)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << list.column(0, i);
    return out;
}

QStringList rowNames(std::initializer_list<int> rows)
{
    QStringList out;
    for (int r : rows)
        out << QStringLiteral("r%1.jpg").arg(r);
    return out;
}

// Mouse events as the window system delivers them to the rows' area, with the button state set.
void send(QWidget *viewport, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

QPoint rowPoint(const QTableView &view, int row)
{
    return QPoint(20, view.rowViewportPosition(row) + view.rowHeight(row) / 2);
}

// Presses the left button on row @p from and moves, with the button held, to row @p to.
void pressAndMove(QTableView &view, int from, int to)
{
    QWidget *vp = view.viewport();
    send(vp, QEvent::MouseButtonPress, rowPoint(view, from), Qt::LeftButton);
    send(vp, QEvent::MouseMove, rowPoint(view, from) + QPoint(0, 2), Qt::LeftButton);
    send(vp, QEvent::MouseMove, rowPoint(view, to), Qt::LeftButton);
}

struct Lists {
    CDuovueDoc document;
    CMyVirtualListView left{document, 0};
    CMyVirtualListView right{document, 1};

    explicit Lists(int count, bool resultMode = false)
    {
        // Result rows: groups of two, labelled from 2.
        FileList list = rows(count);
        for (int i = 0; resultMode && i < count; ++i)
            list.setPrimary(i, QString::number(2 + i / 2));
        document.loadLists({list, list}, {0, 0}, resultMode);
        left.setPartner(&right);
        right.setPartner(&left);
        for (CMyVirtualListView *v : {&left, &right})
            v->resize(400, 300);
        left.show();
        right.show();
    }
};

} // namespace

class CMyVirtualListViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void dragMovesSelectedRowsBeforeTheMark()
    {
        Lists l(10);
        CMyVirtualListView &v = l.left;
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QItemSelection selection;
        selection.select(v.model()->index(2, 0), v.model()->index(2, 6));
        selection.select(v.model()->index(5, 0), v.model()->index(5, 6));
        v.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        QWidget *vp = v.viewport();

        const QPoint start = rowPoint(v, 5);
        send(vp, QEvent::MouseButtonPress, start, Qt::LeftButton);
        QCOMPARE(v.selectedCount(), 2); // pressing a selected row keeps the others selected
        send(vp, QEvent::MouseMove, start + QPoint(0, 2), Qt::LeftButton);
        send(vp, QEvent::MouseMove, start + QPoint(0, 3 * QApplication::startDragDistance()), Qt::LeftButton);
        QVERIFY(v.isDragging());
        send(vp, QEvent::MouseMove, rowPoint(v, 5), Qt::LeftButton);
        QVERIFY(v.dragState().mark().onDraggedRow);
        QCOMPARE(vp->cursor().shape(), Qt::ForbiddenCursor);
        send(vp, QEvent::MouseMove, rowPoint(v, 8), Qt::LeftButton);
        QCOMPARE(v.dragState().insertionIndex(), 8);
        QCOMPARE(vp->cursor().shape(), Qt::BitmapCursor);
        QSignalSpy rearranged(&v, &CMyVirtualListView::rowsRearranged);
        send(vp, QEvent::MouseButtonRelease, rowPoint(v, 8), Qt::NoButton);
        QVERIFY(!v.isDragging());
        QCOMPARE(rearranged.count(), 1);
        QCOMPARE(names(l.document.fileList(0)), rowNames({0, 1, 3, 4, 6, 7, 2, 5, 8, 9}));
        QCOMPARE(v.selectedRowList(), (QList<int>{6, 7}));
        QCOMPARE(v.model()->index(6, 0).data().toString(), QStringLiteral("r2.jpg"));
    }

    void dropOnADraggedRowChangesNothing()
    {
        Lists l(6);
        CMyVirtualListView &v = l.left;
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        v.selectRow(1);
        QWidget *vp = v.viewport();
        pressAndMove(v, 1, 3);
        QVERIFY(v.isDragging());
        send(vp, QEvent::MouseMove, rowPoint(v, 1), Qt::LeftButton);
        send(vp, QEvent::MouseButtonRelease, rowPoint(v, 1), Qt::NoButton);
        QCOMPARE(names(l.document.fileList(0)), rowNames({0, 1, 2, 3, 4, 5}));
        QVERIFY(!vp->cursor().shape() || vp->cursor().shape() == Qt::ArrowCursor);
    }

    void scrollZonesAboveAndBelowTheRows()
    {
        Lists l(200);
        CMyVirtualListView &v = l.left;
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        v.selectRow(3);
        QWidget *vp = v.viewport();
        pressAndMove(v, 3, 6);
        QVERIFY(v.isDragging());
        QCOMPARE(v.scrollTimerState().direction, DragReorder::Direction::None);

        const int bottom = vp->height();
        send(vp, QEvent::MouseMove, QPoint(20, bottom + 20), Qt::LeftButton);
        QCOMPARE(v.scrollTimerState(), (DragReorder::Scroll{DragReorder::Direction::Down, 70}));
        // The list scrolls by itself a line at a time.
        QTRY_VERIFY(v.verticalScrollBar()->value() > 0);
        send(vp, QEvent::MouseMove, QPoint(20, bottom + 80), Qt::LeftButton);
        QCOMPARE(v.scrollTimerState(), (DragReorder::Scroll{DragReorder::Direction::Down, 10}));
        send(vp, QEvent::MouseMove, QPoint(20, -30), Qt::LeftButton);
        QCOMPARE(v.scrollTimerState(), (DragReorder::Scroll{DragReorder::Direction::Up, 70}));
        send(vp, QEvent::MouseMove, QPoint(20, -80), Qt::LeftButton);
        QCOMPARE(v.scrollTimerState(), (DragReorder::Scroll{DragReorder::Direction::Up, 10}));
        // Upwards it stops once the mark has reached the first row.
        QTRY_COMPARE(v.verticalScrollBar()->value(), 0);
        QTRY_COMPARE(v.dragState().insertionIndex(), 0);
        QTRY_COMPARE(v.scrollTimerState().direction, DragReorder::Direction::None);
        send(vp, QEvent::MouseButtonRelease, QPoint(20, -80), Qt::NoButton);
        QCOMPARE(l.document.fileList(0).column(0, 0), QStringLiteral("r3.jpg"));
    }

    void escapeCancelsADrag()
    {
        Lists l(6);
        CMyVirtualListView &v = l.left;
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        v.selectRow(0);
        QWidget *vp = v.viewport();
        pressAndMove(v, 0, 4);
        QVERIFY(v.isDragging());
        QTest::keyClick(&v, Qt::Key_Escape);
        QVERIFY(!v.isDragging());
        send(vp, QEvent::MouseButtonRelease, rowPoint(v, 4), Qt::NoButton);
        QCOMPARE(names(l.document.fileList(0)), rowNames({0, 1, 2, 3, 4, 5}));
    }

    void noDragInResultMode()
    {
        Lists l(6, true);
        CMyVirtualListView &v = l.left;
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        v.selectRow(0);
        QWidget *vp = v.viewport();
        pressAndMove(v, 0, 4);
        QVERIFY(!v.isDragging());
        send(vp, QEvent::MouseButtonRelease, rowPoint(v, 4), Qt::NoButton);
    }

    void headerClickSortsByNumberThenFlips()
    {
        Lists l(12);
        CMyVirtualListView &v = l.left;
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QHeaderView *header = v.horizontalHeader();
        const QPoint sizeHeader(header->sectionViewportPosition(4) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, sizeHeader);
        QCOMPARE(l.document.fileList(0).column(4, 0), QStringLiteral("11"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, sizeHeader);
        QCOMPARE(l.document.fileList(0).column(4, 0), QStringLiteral("0"));
        QCOMPARE(v.model()->index(0, 4).data().toString(), QStringLiteral("0"));
        QVERIFY(!v.sortDirections()[4]);
        // A click on another column leaves the other flags alone.
        QTest::mouseClick(header->viewport(),
            Qt::LeftButton,
            Qt::NoModifier,
            QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
        QVERIFY(v.sortDirections()[0]);
        QVERIFY(!v.sortDirections()[4]);
    }

    void resultModeMirrorsScrollKeysAndChecks()
    {
        Lists l(300, true);
        QVERIFY(QTest::qWaitForWindowExposed(&l.left));
        QVERIFY(QTest::qWaitForWindowExposed(&l.right));

        l.left.verticalScrollBar()->setValue(40);
        QCOMPARE(l.right.verticalScrollBar()->value(), 40);
        l.right.horizontalScrollBar()->setValue(l.right.horizontalScrollBar()->maximum());
        QCOMPARE(l.left.horizontalScrollBar()->value(), l.right.horizontalScrollBar()->value());

        l.left.setCurrentIndex(l.left.model()->index(40, 0));
        l.right.setCurrentIndex(l.right.model()->index(40, 0));
        QTest::keyClick(&l.left, Qt::Key_Down);
        QCOMPARE(l.left.currentIndex().row(), 41);
        QCOMPARE(l.right.currentIndex().row(), 41);

        // Space flips the checks of the selected rows in both lists.
        l.left.selectRow(41);
        QTest::keyClick(&l.left, Qt::Key_Space);
        QCOMPARE(l.document.fileList(0).primary(41), QStringLiteral("-22"));
        QCOMPARE(l.document.fileList(1).primary(41), QStringLiteral("-22"));
        QCOMPARE(l.right.model()->index(41, 0).data(FileListModel::RowImageRole).toInt(), 3);

        // A click on a row's check box flips it in both lists; a click beside it does not.
        l.left.scrollTo(l.left.model()->index(43, 0), QAbstractItemView::PositionAtTop);
        const QRect cell = l.left.visualRect(l.left.model()->index(43, 0));
        QTest::mouseClick(
            l.left.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center() + QPoint(cell.width() / 3, 0));
        QCOMPARE(l.document.fileList(0).primary(43), QStringLiteral("23"));
        int iconX = cell.left() + 1;
        while (iconX < cell.right() && l.left.indexAt(QPoint(iconX, cell.center().y())).row() == 43
            && l.document.fileList(1).primary(43) == QStringLiteral("23")) {
            QTest::mouseClick(l.left.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(iconX, cell.center().y()));
            iconX += 2;
        }
        QCOMPARE(l.document.fileList(0).primary(43), QStringLiteral("-23"));
        QCOMPARE(l.document.fileList(1).primary(43), QStringLiteral("-23"));
        QVERIFY(iconX < cell.left() + 30); // the box is at the row's start
    }

    void filesDroppedOnTheRowsAreReported()
    {
        CDuovueDoc document;
        CMyVirtualListView v(document, 1);
        v.resize(300, 200);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QVERIFY(v.viewport()->acceptDrops());
        QVERIFY(!v.acceptDrops()); // the header passes drops on to the window, which ignores folders
        QVERIFY(!v.horizontalHeader()->acceptDrops());

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/a/one")),
            QUrl(QStringLiteral("https://x/y.jpg")),
            QUrl::fromLocalFile(QStringLiteral("/b/two.jpg"))});
        QSignalSpy dropped(&v, &CMyVirtualListView::pathsDropped);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v.viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v.viewport(), &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction); // never a move: the source keeps its files
        QVERIFY(dropped.wait(2000));
        QCOMPARE(dropped.first().first().toStringList(),
            (QStringList{QStringLiteral("/a/one"), QStringLiteral("/b/two.jpg")}));

        QMimeData text;
        text.setText(QStringLiteral("not files"));
        QDragEnterEvent other(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v.viewport(), &other);
        QVERIFY(!other.isAccepted());
    }
};

QTEST_MAIN(CMyVirtualListViewTest)
#include "cmyvirtuallistviewtest.moc"
