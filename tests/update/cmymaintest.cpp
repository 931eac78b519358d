#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "support/localhttpserver.h"
#include "update/cmymain.h"

using namespace Duovue;
using Kind = UpdateAnswer::Kind;

class CMyMainTest : public QObject
{
    Q_OBJECT

private:
    static UpdateAnswer runCheck(CMyMain &check)
    {
        QSignalSpy finished(&check, &CMyMain::finished);
        check.check();
        // The request runs in the event loop: the caller gets control back before any answer.
        if (!check.isRunning())
            return {Kind::ConnectionError, -1, {}, QStringLiteral("the check blocked its caller")};
        if (!finished.wait(10000))
            return {Kind::ConnectionError, -1, {}, QStringLiteral("no finished signal")};
        return finished.takeFirst().at(0).value<UpdateAnswer>();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // The local server must be reached directly, whatever proxy the machine has.
        for (const char *v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(v);
    }

    void readsTheAnswer_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("display");

        QTest::newRow("newer") << 200 << QByteArray("Duovue-122") << Kind::NewerVersion << 122
                               << QStringLiteral("1.22");
        QTest::newRow("same") << 200 << QByteArray("Duovue-121\n") << Kind::NoUpdate << 121 << QStringLiteral("1.21");
        QTest::newRow("only the first line counts")
            << 200 << QByteArray("Duovue-200\r\nDuovue-100\r\n") << Kind::NewerVersion << 200 << QStringLiteral("2.00");
        QTest::newRow("no dash") << 200 << QByteArray("Duovue") << Kind::NoUpdate << 0 << QStringLiteral("Duov.ue");
        QTest::newRow("trailing blanks") << 200 << QByteArray("Duovue-130 \t") << Kind::NewerVersion << 130
                                         << QStringLiteral("1.30");
        QTest::newRow("markup after a newer version")
            << 200 << QByteArray("Duovue-999<a href=\"https://x.example/\">CLICK</a>") << Kind::NoVersionInformation
            << 0 << QString();
        QTest::newRow("wrong name") << 200 << QByteArray("xDuovue-122") << Kind::NoVersionInformation << 0 << QString();
        QTest::newRow("empty body") << 200 << QByteArray() << Kind::NoVersionInformation << 0 << QString();
        QTest::newRow("error page") << 404 << QByteArray("<html>Not Found</html>") << Kind::NoVersionInformation << 0
                                    << QString();
        QTest::newRow("endless digits saturate")
            << 200 << QByteArray("Duovue-") + QByteArray(5000, '9') << Kind::NewerVersion << 2147483647
            << QString(92, u'9').insert(90, u'.');
    }

    void readsTheAnswer()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(Kind, kind);
        QFETCH(int, version);
        QFETCH(QString, display);
        Test::LocalHttpServer server;
        QVERIFY(server.isListening());
        server.status = status;
        server.body = body;
        CMyMain check(server.baseUrl() + QStringLiteral("/"));

        const UpdateAnswer answer = runCheck(check);
        QCOMPARE(answer.kind, kind);
        if (kind != Kind::NoVersionInformation) {
            QCOMPARE(answer.version, version);
            QCOMPARE(answer.displayVersion, display);
        }
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests[0].target, QByteArray("/cgi/upcheck.cgi?app=Duovue&ver=121"));
        QCOMPARE(server.requests[0].userAgent, QByteArray("Kestrel_UpChecker"));
        QCOMPARE(check.productPageUrl().toString(), server.baseUrl() + QStringLiteral("/duovue.html"));
    }
};

QTEST_GUILESS_MAIN(CMyMainTest)
#include "cmymaintest.moc"
