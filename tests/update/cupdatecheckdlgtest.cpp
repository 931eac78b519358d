#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "support/fakeshell.h"
#include "support/localhttpserver.h"
#include "update/cupdatecheckdlg.h"

using namespace Duovue;

class CUpdateCheckDlgTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        for (const char *v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(v);
    }

    void reportsTheAnswer_data()
    {
        QTest::addColumn<QString>("server"); // "answer", "silent" or "refused"
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("opensPage");

        const QString newer =
            QStringLiteral("\"Version 1.22\" にバージョンアップしています。\r\nwebページを開きますか？");
        const QString check = QStringLiteral("バージョンチェック");
        const QString error = QStringLiteral("エラー");
        const QString answer = QStringLiteral("answer");
        QTest::newRow("newer, open the page")
            << answer << QByteArray("Duovue-122") << true << QStringLiteral("question") << newer << check << true;
        QTest::newRow("newer, not now") << answer << QByteArray("Duovue-122") << false << QStringLiteral("question")
                                        << newer << check << false;
        QTest::newRow("same version") << answer << QByteArray("Duovue-121") << false << QStringLiteral("information")
                                      << QStringLiteral("バージョンアップはありません。") << check << false;
        QTest::newRow("wrong name") << answer << QByteArray("xDuovue-122") << false << QStringLiteral("error")
                                    << QStringLiteral("バージョン情報がありません") << error << false;
        QTest::newRow("connection refused")
            << QStringLiteral("refused") << QByteArray() << false << QStringLiteral("error")
            << QStringLiteral("接続エラー") << error << false;
        QTest::newRow("server never answers")
            << QStringLiteral("silent") << QByteArray() << false << QStringLiteral("error")
            << QStringLiteral("接続エラー") << error << false;
    }

    void reportsTheAnswer()
    {
        QFETCH(QString, server);
        QFETCH(QByteArray, body);
        QFETCH(bool, answerYes);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(bool, opensPage);

        Test::LocalHttpServer http;
        http.body = body;
        http.silent = server == QLatin1String("silent");
        const QString base =
            server == QLatin1String("refused") ? Test::LocalHttpServer::refusingBaseUrl() : http.baseUrl();
        Test::FakeShell shell;
        shell.answers.enqueue(answerYes);
        CUpdateCheckDlg dialog(base, shell, shell);
        dialog.setTimeout(std::chrono::milliseconds(300));
        dialog.show();
        const QString idle = dialog.text();
        QCOMPARE(idle, QStringLiteral("アップデートの有無を調べます。"));

        QSignalSpy reported(&dialog, &CUpdateCheckDlg::checkReported);
        dialog.checkButton()->click();
        // The window stays live while the request runs: the click returns at once.
        QCOMPARE(dialog.text(), QStringLiteral("現在チェック中です。\nしばらくお待ちください。"));
        QVERIFY(!dialog.checkButton()->isEnabled());
        QVERIFY(reported.wait(10000));

        const auto calls = shell.callsOf(kind);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].text, text);
        QCOMPARE(calls[0].caption, caption);
        const auto launches = shell.callsOf(QStringLiteral("launch-open"));
        QCOMPARE(launches.size(), opensPage ? 1 : 0);
        if (opensPage)
            QCOMPARE(launches[0].text, http.baseUrl() + QStringLiteral("/duovue.html"));
        QCOMPARE(dialog.text(), idle);
        QVERIFY(dialog.checkButton()->isEnabled());
    }
};

QTEST_MAIN(CUpdateCheckDlgTest)
#include "cupdatecheckdlgtest.moc"
