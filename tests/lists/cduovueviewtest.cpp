#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "lists/cduovueview.h"
#include "lists/listtarget.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::strings;

namespace
{

// A menu's items as texts: captions, "-" for separators, a submenu as "title>" then its items.
QStringList menuTexts(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator())
            out << QStringLiteral("-");
        else if (a->menu())
            out << a->text() + QLatin1Char('>') + menuTexts(a->menu()).join(QLatin1Char('|'));
        else
            out << a->text();
    }
    return out;
}

struct Shown {
    Test::TestDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("Duovue.ini"))};
    CDuovueDoc document;
    CDuovueView left{document, store, 0};
    CDuovueView right{document, store, 1};

    explicit Shown(const QStringList &labels, bool resultMode)
    {
        FileList list;
        for (int i = 0; i < labels.size(); ++i)
            list.append(Test::entryFor(QStringLiteral("/p/r%1.jpg").arg(i)));
        for (int i = 0; i < labels.size(); ++i)
            list.setPrimary(i, labels[i]);
        document.loadLists({list, list}, {0, 0}, resultMode);
        left.setPartner(&right);
        right.setPartner(&left);
        left.resize(400, 300);
        left.move(0, 0);
        left.show();
    }
};

} // namespace

class CDuovueViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void columnsComeFromTheSettingsAndGoBack()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        QVERIFY(store.setValue(AppSettings::ColumnWidth(1, 3), 77).ok());
        QVERIFY(store.setValue(AppSettings::ColumnWidth(1, 5), 99).ok()); // never read back
        CDuovueDoc document;
        {
            CDuovueView view(document, store, 1);
            const QHeaderView *header = view.horizontalHeader();
            QCOMPARE(header->sectionSize(3), 77);
            QCOMPARE(header->sectionSize(0), 120);
            QCOMPARE(view.displayOrder(), (QList<int>{0, 4, 2, 3, 1}));
            QCOMPARE(view.model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("ファイルサイズ"));
            QVERIFY(!view.resultColumnsShown());
            view.horizontalHeader()->resizeSection(0, 200);
        }
        QCOMPARE(store.value(AppSettings::ColumnWidth(1, 0)), 200);
        QCOMPARE(store.value(AppSettings::ColumnWidth(1, 3)), 77);
        QCOMPARE(store.value(AppSettings::ColumnWidth(1, 4)), 120);
        QCOMPARE(store.value(AppSettings::ColumnWidth(1, 5)), 0); // missing columns write 0
        QCOMPARE(store.value(AppSettings::ColumnWidth(1, 6)), 0);
        QCOMPARE(store.readInt(QStringLiteral("カラム幅"), QStringLiteral("0-0"), -1), -1); // the other side untouched
    }

    void resultColumnsAddWidthAndHeight()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        CDuovueDoc document;
        {
            CDuovueView view(document, store, 0);
            view.horizontalHeader()->moveSection(4, 1 + 3); // the user reorders the basic columns
            const QList<int> userOrder = view.displayOrder();
            view.setResultColumns(false); // no change of the column set: the user's order stays
            QCOMPARE(view.displayOrder(), userOrder);

            view.setResultColumns(true);
            QVERIFY(view.resultColumnsShown());
            QCOMPARE(view.displayOrder(), (QList<int>{0, 4, 5, 6, 2, 3, 1}));
            QCOMPARE(view.horizontalHeader()->sectionSize(5), 50);
            QCOMPARE(view.horizontalHeader()->sectionSize(6), 50);
            QCOMPARE(view.model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("幅"));
            QCOMPARE(view.model()->headerData(6, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                int(Qt::AlignRight));
            view.horizontalHeader()->resizeSection(6, 64);
        }
        QCOMPARE(store.value(AppSettings::ColumnWidth(0, 5)), 50);
        QCOMPARE(store.value(AppSettings::ColumnWidth(0, 6)), 64);

        CDuovueView again(document, store, 0);
        QVERIFY(!again.resultColumnsShown());
        // The views follow the document's column set.
        document.setDimensionColumnsShown(true);
        QCOMPARE(again.displayOrder(), (QList<int>{0, 4, 5, 6, 2, 3, 1}));
        document.setDimensionColumnsShown(false);
        QCOMPARE(again.displayOrder(), (QList<int>{0, 4, 2, 3, 1}));
    }

    void contextMenusHoldEveryCommandInOrder_data()
    {
        QTest::addColumn<bool>("resultMode");
        QTest::addColumn<QString>("items");
        QTest::newRow("List_con")
            << false
            << QStringLiteral("リストをクリア(&L)|-|ゴミ箱へ移動(&D)|リストから削除(&R)|-|すべて選択(&A)|"
                              "選択の切り替え(&I)|-|関連付けされたアプリで開く(&O)|関連付けされたアプリで編集(&E)|"
                              "-|フォルダへ移動(&M)|フォルダへコピー(&C)|-|見比べ位置を先頭へ(&T)|"
                              "ここを見比べ位置にする(&S)|-|ファィル名の編集(&F)");
        QTest::newRow("Cmp_con")
            << true
            << QStringLiteral("リストをクリア(&L)|-|チェックアイテムをゴミ箱へ移動(&G)|"
                              "チェックアイテムをリストから削除(&H)|-|すべてチェック(&Y)|チェックの切り替え(&K)|"
                              "チェックをすべて外す(&W)|-|関連付けされたアプリで開く(&O)|"
                              "関連付けされたアプリで編集(&E)|-|フォルダへ移動(&M)|フォルダへコピー(&C)|-|"
                              "自動チェック(&P)>ファイルサイズの大きいもの(&B)|ファイルサイズの小さいもの(&S)|"
                              "更新日時が新しいもの(&N)|更新日時が古いもの(&O)|幅の大きいもの(&W)|幅の小さいもの(&H)|"
                              "-|ファィル名の編集(&F)");
    }
    void contextMenusHoldEveryCommandInOrder()
    {
        QFETCH(bool, resultMode);
        QFETCH(QString, items);
        Shown s(strings({"2", "2"}), resultMode);
        QVERIFY(QTest::qWaitForWindowExposed(&s.left));
        QCOMPARE(menuTexts(s.left.contextMenu(resultMode)).join(QLatin1Char('|')), items);

        // The menu of the document's mode opens 5 pixels right of and below the click; none on an
        // empty list.
        const QPoint click(30, s.left.rowViewportPosition(1) + 3);
        const QPoint global = s.left.viewport()->mapToGlobal(click);
        QContextMenuEvent event(QContextMenuEvent::Mouse, click, global);
        QApplication::sendEvent(s.left.viewport(), &event);
        QMenu *menu = s.left.contextMenu(resultMode);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), global + QPoint(5, 5));
        QVERIFY(!s.left.contextMenu(!resultMode)->isVisible());
        menu->close();
        s.document.clearSide(0);
        QApplication::sendEvent(s.left.viewport(), &event);
        QVERIFY(!menu->isVisible());

        // Chosen commands go to the main window, with the auto-check rules numbered from 32860.
        QSignalSpy requested(&s.left, &CDuovueView::commandRequested);
        s.left.menuAction(resultMode, resultMode ? IdListAutoCheckFirst + 2 : IdListMove)->trigger();
        QCOMPARE(requested.first().first().toInt(), resultMode ? 32862 : 32782);
    }

    void selectionCommandsAndTheDeleteKey()
    {
        Shown s(strings({"1", "0", "0"}), false);
        QVERIFY(QTest::qWaitForWindowExposed(&s.left));
        QSignalSpy deleted(&s.left, &CDuovueView::deleteKeyPressed);
        QTest::keyClick(&s.left, Qt::Key_Delete); // nothing selected: nothing at all
        QCOMPARE(deleted.size(), 0);

        s.left.selectRow(0);
        s.left.menuAction(false, IdListInvertSelection)->trigger();
        QCOMPARE(s.left.selectedRowList(), (QList<int>{1, 2}));
        QTest::keyClick(&s.left, Qt::Key_Delete);
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(s.left.commandTarget().selectedRows, (QList<int>{1, 2}));
        s.left.menuAction(false, IdListSelectAll)->trigger();
        QCOMPARE(s.left.selectedCount(), 3);
    }

    // In result mode rows are marked by checks: a click only moves the focus, Space flips the
    // focused row in both lists, and other keys move both lists together.
    void resultModeChecksTheFocusedRow()
    {
        Shown s(strings({"2", "2", "3", "3"}), true);
        QVERIFY(QTest::qWaitForWindowExposed(&s.left));
        const QRect cell = s.left.visualRect(s.left.model()->index(1, 2));
        QTest::mouseClick(s.left.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(s.left.currentIndex().row(), 1);
        QCOMPARE(s.left.selectedCount(), 0);
        QTest::keyClick(&s.left, Qt::Key_Space);
        QCOMPARE(Test::columnTexts(s.document.fileList(1), -1), strings({"2", "-2", "3", "3"}));
        s.right.setCurrentIndex(s.right.model()->index(1, 0));
        QTest::keyClick(&s.left, Qt::Key_Down);
        QCOMPARE(s.left.currentIndex().row(), 2);
        QCOMPARE(s.right.currentIndex().row(), 2);

        // Back to normal: rows can be selected again.
        s.document.loadLists({s.document.fileList(0), s.document.fileList(1)}, {0, 0}, false);
        s.left.selectRow(2);
        QCOMPARE(s.left.selectedCount(), 1);
    }

    // The edited name goes to the rename command once the editor has closed; the list is not
    // touched by the view.
    void renameInPlaceHandsTheTextOn()
    {
        Shown s(strings({"1", "0"}), false);
        QVERIFY(QTest::qWaitForWindowExposed(&s.left));
        s.left.selectRow(1);
        QSignalSpy renamed(&s.left, &CDuovueView::renameRequested);
        s.left.menuAction(false, IdListRename)->trigger();
        auto *editor = s.left.findChild<QLineEdit *>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("r1.jpg"));
        editor->setText(QStringLiteral("a/b?c.jpg"));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(renamed.wait(2000));
        QCOMPARE(renamed.first().at(0).toInt(), 1);
        QCOMPARE(renamed.first().at(1).toString(), QStringLiteral("a/b?c.jpg"));
        QCOMPARE(s.document.fileList(0).column(0, 1), QStringLiteral("r1.jpg"));
    }
};

QTEST_MAIN(CDuovueViewTest)
#include "cduovueviewtest.moc"
