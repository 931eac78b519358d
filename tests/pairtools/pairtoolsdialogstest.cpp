#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "pairtools/canalysisdlg.h"
#include "pairtools/cbyredlg.h"
#include "pairtools/cjpegdlg.h"
#include "pairtools/cnothingdlg.h"
#include "pairtools/cshowbindlg.h"
#include "support/commandfixture.h"

using namespace Duovue;

class PairToolsDialogsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void showOpensTheFirstSelectedRun()
    {
        // Runs at 2, 6 and 9.
        const QByteArray left("abcdefghijkl");
        const BinaryComparison c = CompareBytes(left, QByteArray("abXdefYhiZkl"));
        QCOMPARE(c.runs.size(), 3);
        CByReDlg dialog(c.runs);
        QCOMPARE(dialog.list()->model()->rowCount(), 3);
        QCOMPARE(dialog.list()->model()->index(1, 0).data().toString(), QStringLiteral("00000006"));

        // Nothing selected: nothing opens.
        QCOMPARE(Test::answerModals(
                     [&] {
                         dialog.showSelectedRun();
                     },
                     [](QWidget *modal) {
                         modal->close();
                     }),
            0);

        QItemSelectionModel *selection = dialog.list()->selectionModel();
        selection->select(dialog.list()->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->select(dialog.list()->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QString shown;
        const int opened = Test::answerModals(
            [&] {
                dialog.showButton()->click();
            },
            [&](QWidget *modal) {
                if (auto *bin = qobject_cast<CShowBinDlg *>(modal))
                    shown = bin->leftBox()->toPlainText();
                modal->close();
            });
        QCOMPARE(opened, 1);
        // Run 1 (offset 6), one line, shown without the program's line ends.
        QCOMPARE(shown, QString(c.runs[1].leftText).remove(QLatin1Char('\r')).remove(QLatin1Char('\n')));
        QVERIFY(shown.startsWith(QStringLiteral("67")));
    }

    void crossedRowsAreHighlighted()
    {
        AnalysisSide left;
        left.info.width = 640;
        left.info.height = 480;
        AnalysisSide right = left;
        right.info.height = 640;
        CAnalysisDlg dialog(AnalyseDifferences(left, right));
        QAbstractItemModel *model = dialog.list()->model();
        QCOMPARE(model->rowCount(), 12);
        QCOMPARE(model->index(4, 3).data().toString(), QStringLiteral("×"));
        QCOMPARE(model->index(4, 0).data(Qt::BackgroundRole).value<QColor>(), CAnalysisDlg::highlightBackground());
        QCOMPARE(model->index(4, 2).data(Qt::ForegroundRole).value<QColor>(), CAnalysisDlg::highlightText());
        QCOMPARE(model->index(3, 3).data().toString(), QStringLiteral("○"));
        QVERIFY(!model->index(3, 0).data(Qt::BackgroundRole).isValid());
    }

    void cutOffDescriptionsShowAsTips()
    {
        CJpegDlg dialog({JpegMarkers::ScanBytes(QByteArray("\xFF\xD8\xFF\xC0", 4))}, {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTableView *view = dialog.list(0);
        view->setColumnWidth(2, 40);
        const auto hover = [view](int row, int column) {
            const QPoint at = view->visualRect(view->model()->index(row, column)).center();
            QHelpEvent event(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
            QApplication::sendEvent(view->viewport(), &event);
        };
        hover(1, 2);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("(SOF0)フレーム開始 非差分ハフマン符号 基本DCT方式"));
        // A text that fits needs no tip.
        hover(1, 1);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void cutListEndsWithWhatWasLeftOut()
    {
        MarkerScanResult left{JpegMarkers::ScanBytes(QByteArray("\xFF\xD8\xFF\xC0", 4)), 1234};
        CJpegDlg dialog(left, {});
        const QAbstractItemModel *model = dialog.list(0)->model();
        QCOMPARE(model->rowCount(), 3);
        QVERIFY(model->index(2, 2).data().toString().contains(QLocale().toString(1234)));
        QCOMPARE(dialog.list(1)->model()->rowCount(), 0);
    }

    void noticeBoxCountsOnlyWithOk_data()
    {
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("suppressed");
        QTest::newRow("ticked, O K") << true << true << true;
        QTest::newRow("not ticked") << false << true << false;
        QTest::newRow("ticked, closed") << true << false << false;
    }

    void noticeBoxCountsOnlyWithOk()
    {
        QFETCH(bool, tick);
        QFETCH(bool, ok);
        QFETCH(bool, suppressed);
        CNothingDlg dialog(QStringLiteral("左のリスト内\r\nファイルが存在しません。"));
        QVERIFY(!dialog.textLabel()->text().contains(QLatin1Char('\r')));
        QTimer::singleShot(0, &dialog, [&] {
            dialog.dontShowBox()->setChecked(tick);
            if (ok)
                dialog.okButton()->click();
            else
                dialog.reject();
        });
        dialog.exec();
        QCOMPARE(dialog.dontShowAgain(), suppressed);
    }
};

QTEST_MAIN(PairToolsDialogsTest)
#include "pairtoolsdialogstest.moc"
