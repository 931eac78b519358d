#include <QTest>

#include "viewer/differenceview.h"

using namespace Duovue;

class DifferenceViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A right picture of another size is scaled to the left one's, and the status bar says so.
    void comparesAtTheLeftPicturesSize_data()
    {
        QTest::addColumn<QSize>("rightSize");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<QString>("status");
        QTest::newRow("same size") << QSize(40, 20) << 0 << QStringLiteral("差分 2 画素 (0.25%)　領域 2　許容値 0");
        QTest::newRow("tolerance above the change")
            << QSize(40, 20) << 50 << QStringLiteral("差分 0 画素 (0.00%)　領域 0　許容値 50");
        QTest::newRow("half size") << QSize(20, 10) << 0
                                   << QStringLiteral("差分 0 画素 (0.00%)　領域 0　許容値 0　右の画像 (20 x 10) "
                                                     "を左の大きさに合わせて比較");
    }

    void comparesAtTheLeftPicturesSize()
    {
        QFETCH(QSize, rightSize);
        QFETCH(int, tolerance);
        QFETCH(QString, status);
        QImage left(40, 20, QImage::Format_RGB32);
        left.fill(qRgb(10, 20, 30));
        QImage right(rightSize, QImage::Format_RGB32);
        right.fill(qRgb(10, 20, 30));
        if (rightSize == left.size()) {
            right.setPixel(3, 4, qRgb(10, 70, 30));
            right.setPixel(30, 10, qRgb(0, 20, 30));
        }
        DifferenceView view;
        view.setPictures(left, right);
        QVERIFY(view.isReady());
        const DifferenceView::Shown shown = view.show(tolerance);
        QCOMPARE(shown.picture.size(), left.size());
        QCOMPARE(view.statusText(shown.summary, tolerance), status);
    }
};

QTEST_GUILESS_MAIN(DifferenceViewTest)
#include "differenceviewtest.moc"
