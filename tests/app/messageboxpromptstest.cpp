#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "app/messageboxprompts.h"

using namespace Duovue;

// The real message boxes: what they show of a text, whatever the text looks like.
class MessageBoxPromptsTest : public QObject
{
    Q_OBJECT

private:
    struct Seen {
        Qt::TextFormat format = Qt::AutoText;
        QString text;
    };

    // Runs @p ask, and once its box is up notes what it shows and presses its first button.
    static Seen whileBoxIsUp(const std::function<void()> &ask)
    {
        Seen seen;
        bool found = false;
        std::function<void(int)> look = [&](int triesLeft) {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                if (triesLeft > 0)
                    QTimer::singleShot(0, [&look, triesLeft] {
                        look(triesLeft - 1);
                    });
                return;
            }
            found = true;
            seen = {box->textFormat(), box->text()};
            box->buttons().constFirst()->click();
        };
        QTimer::singleShot(0, [&look] {
            look(1000);
        });
        ask();
        if (!found)
            qWarning("no message box came up");
        return seen;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The update server's answer "Duovue-999<a href=…>" once showed a link in the question.
    void showsTextsAsPlainText_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("question") << QStringLiteral("question");
        QTest::newRow("error") << QStringLiteral("error");
    }

    void showsTextsAsPlainText()
    {
        QFETCH(QString, kind);
        MessageBoxPrompts prompts;
        const QString text = QStringLiteral("\"Version 9.99<a href=\"https://x.example/\">CLICK</a>\"\r\nok?");
        const Seen seen = whileBoxIsUp([&] {
            if (kind == QLatin1String("question"))
                (void)prompts.question(text, QStringLiteral("c"));
            else
                prompts.error(text, QStringLiteral("c"));
        });
        QCOMPARE(seen.format, Qt::PlainText);
        QCOMPARE(seen.text, QStringLiteral("\"Version 9.99<a href=\"https://x.example/\">CLICK</a>\"\nok?"));
    }
};

QTEST_MAIN(MessageBoxPromptsTest)
#include "messageboxpromptstest.moc"
