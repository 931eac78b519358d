#include <QHeaderView>
#include <QStandardPaths>
#include <QTest>

#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "lists/cduovueview.h"
#include "support/testdir.h"

using namespace Duovue;

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
};

QTEST_MAIN(CDuovueViewTest)
#include "cduovueviewtest.moc"
