#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include "core/appsettings.h"
#include "core/fileassociation.h"
#include "core/settingsstore.h"
#include "settings/csetgou.h"
#include "settings/csetmain.h"
#include "settings/csetmiku.h"
#include "settings/csettingdlg.h"
#include "support/fakeshell.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

// Everything one dialog needs, in a temporary folder.
struct Fixture {
    Test::TestDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("Duovue.ini"))};
    Test::FakeShell shell;
    FileAssociation association{
        AssociationPaths{dir.filePath(QStringLiteral("data")), dir.filePath(QStringLiteral("config")), {}, {}},
        QStringLiteral("/usr/bin/duovue")};
    QWidget mainWindow;
    std::unique_ptr<CSettingDlg> dialog;

    CSettingDlg &open()
    {
        dialog = std::make_unique<CSettingDlg>(store, shell, shell, association, &mainWindow);
        dialog->show();
        dialog->activateWindow();
        (void)QTest::qWaitForWindowActive(dialog.get());
        return *dialog;
    }

    // "section/key=value" of every line of the settings file, in file order.
    QStringList writtenKeys() const
    {
        QFile f(store.path());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        QString section;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(u'['))
                section = line.mid(1, line.size() - 2);
            else
                out << section + u'/' + line;
        }
        return out;
    }
};

QLineEdit *field(CSettingDlg &d, const QString &name)
{
    SettingsFields::Placement &main = d.mainPage()->placementFields();
    SettingsFields::Placement &viewer = d.viewerPage()->placementFields();
    const QHash<QString, QLineEdit *> fields{
        {QStringLiteral("main.x"), main.left},
        {QStringLiteral("main.y"), main.top},
        {QStringLiteral("main.width"), main.width},
        {QStringLiteral("main.height"), main.height},
        {QStringLiteral("compose.quality"), d.composePage()->qualityEdit()},
        {QStringLiteral("compose.width"), d.composePage()->widthEdit()},
        {QStringLiteral("compose.height"), d.composePage()->heightEdit()},
        {QStringLiteral("viewer.x"), viewer.left},
        {QStringLiteral("viewer.y"), viewer.top},
        {QStringLiteral("viewer.width"), viewer.width},
        {QStringLiteral("viewer.height"), viewer.height},
        {QStringLiteral("viewer.interval"), d.viewerPage()->intervalEdit()},
    };
    return fields.value(name);
}

} // namespace

class CSettingDlgTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void refusesBadFields_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("page");

        const QString integer = QStringLiteral("整数を入力してください。");
        const QString positive = QStringLiteral("正の整数を入力してください。");
        const QString range = QStringLiteral("20 から 100 までの整数を入力してください。");
        QTest::newRow("main x not a number") << QStringLiteral("main.x") << QStringLiteral("abc") << integer << 0;
        QTest::newRow("main y empty") << QStringLiteral("main.y") << QString() << integer << 0;
        QTest::newRow("main width empty") << QStringLiteral("main.width") << QString() << positive << 0;
        QTest::newRow("main height too large")
            << QStringLiteral("main.height") << QStringLiteral("99999999999") << positive << 0;
        QTest::newRow("quality 101") << QStringLiteral("compose.quality") << QStringLiteral("101") << range << 1;
        QTest::newRow("quality 19") << QStringLiteral("compose.quality") << QStringLiteral("19") << range << 1;
        QTest::newRow("quality empty") << QStringLiteral("compose.quality") << QString() << positive << 1;
        QTest::newRow("compose width empty") << QStringLiteral("compose.width") << QString() << positive << 1;
        QTest::newRow("compose height empty") << QStringLiteral("compose.height") << QString() << positive << 1;
        QTest::newRow("viewer x fraction") << QStringLiteral("viewer.x") << QStringLiteral("1.5") << integer << 2;
        QTest::newRow("viewer y sign only") << QStringLiteral("viewer.y") << QStringLiteral("-") << integer << 2;
        QTest::newRow("viewer width empty") << QStringLiteral("viewer.width") << QString() << positive << 2;
        QTest::newRow("viewer height empty") << QStringLiteral("viewer.height") << QString() << positive << 2;
        QTest::newRow("interval empty") << QStringLiteral("viewer.interval") << QString() << positive << 2;
    }

    void refusesBadFields()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, page);
        Fixture f;
        CSettingDlg &d = f.open();
        // Position and size edits take input (and focus) only for a placed window.
        d.mainPage()->placementFields().placed->click();
        d.viewerPage()->placementFields().placed->click();
        QLineEdit *edit = field(d, name);
        QVERIFY(edit);
        edit->setText(text);
        // Every other page holds a change too, which must not be written either.
        field(d, QStringLiteral("main.x"))->setText(name == QLatin1String("main.x") ? text : QStringLiteral("33"));

        d.accept();
        const auto warnings = f.shell.callsOf(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QCOMPARE(warnings[0].text, message);
        QCOMPARE(warnings[0].caption, QStringLiteral("Duovue"));
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(d.currentPage(), page);
        QCOMPARE(d.focusWidget(), edit);
        QVERIFY(!QFile::exists(f.store.path()));
    }

    void checksWindowSizes_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("focus"); // the field that takes the focus after the error

        const QString mainError = QStringLiteral("メインウインドウのサイズは、幅800、高さ600以上に設定してください");
        const QString viewerError = QStringLiteral("見比べウインドウのサイズは、幅800、高さ600以上に設定してください");
        QTest::newRow("main placed 799 wide")
            << QStringLiteral("main") << true << 799 << 600 << mainError << QStringLiteral("main.width");
        QTest::newRow("main placed 800x600") << QStringLiteral("main") << true << 800 << 600 << QString() << QString();
        QTest::newRow("main maximized 100 wide")
            << QStringLiteral("main") << false << 100 << 50 << QString() << QString();
        QTest::newRow("viewer placed 599 high")
            << QStringLiteral("viewer") << true << 1024 << 599 << viewerError << QStringLiteral("viewer.height");
        QTest::newRow("viewer maximized 100 wide")
            << QStringLiteral("viewer") << false << 100 << 600 << QString() << QString();
    }

    void checksWindowSizes()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, placed);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, error);
        QFETCH(QString, focus);
        Fixture f;
        CSettingDlg &d = f.open();
        SettingsFields::Placement &p =
            prefix == QLatin1String("main") ? d.mainPage()->placementFields() : d.viewerPage()->placementFields();
        (placed ? p.placed : p.maximized)->click();
        p.width->setText(QString::number(width));
        p.height->setText(QString::number(height));

        d.accept();
        const auto errors = f.shell.callsOf(QStringLiteral("error"));
        if (!error.isEmpty()) {
            QCOMPARE(errors.size(), 1);
            QCOMPARE(errors[0].text, error);
            QCOMPARE(errors[0].caption, QStringLiteral("エラー"));
            QVERIFY(d.isVisible());
            QVERIFY(!QFile::exists(f.store.path()));
            // The refused size is shown and focused, whichever page was open.
            QCOMPARE(d.focusWidget(), field(d, focus));
            QVERIFY(field(d, focus)->isVisible());
            return;
        }
        QVERIFY(errors.isEmpty());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        const IntSetting widthSetting =
            prefix == QLatin1String("main") ? AppSettings::MainWidth() : AppSettings::ViewerWidth();
        QCOMPARE(f.store.value(widthSetting), width);
    }

    void okWritesEveryValueInOrder()
    {
        Fixture f;
        (void)f.store.setValue(AppSettings::SettingsPage(), 2);
        CSettingDlg &d = f.open();
        d.composePage()->methodRadios()->button(2)->click();
        d.composePage()->aspectRadios()->button(1)->click();
        d.composePage()->ratioList()->setCurrentIndex(4);
        d.composePage()->qualityEdit()->setText(QStringLiteral("100"));
        d.composePage()->qualityUp()->click(); // the arrows stay within 20 to 100
        field(d, QStringLiteral("compose.width"))->setText(QStringLiteral("640"));
        d.mainPage()->placementFields().placed->click();
        field(d, QStringLiteral("main.x"))->setText(QStringLiteral(" -8 "));
        field(d, QStringLiteral("main.width"))->setText(QStringLiteral("1024"));
        d.mainPage()->toolbarCheck()->click();
        d.mainPage()->associationRadios()->button(1)->click();
        d.viewerPage()->sizeRadios()->button(1)->click();
        field(d, QStringLiteral("viewer.interval"))->setText(QStringLiteral("250"));

        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        const QStringList expected{
            QStringLiteral("設定/項目=2"), // written before the dialog opened
            QStringLiteral("合成/方法=2"),
            QStringLiteral("合成/品質=100"),
            QStringLiteral("合成/幅=640"),
            QStringLiteral("合成/高さ=600"),
            QStringLiteral("合成/縦横比=1"),
            QStringLiteral("合成/比率=5"),
            QStringLiteral("メイン/位置=1"),
            QStringLiteral("メイン/X座標=-8"),
            QStringLiteral("メイン/Y座標=0"),
            QStringLiteral("メイン/幅=1024"),
            QStringLiteral("メイン/高さ=600"),
            QStringLiteral("メイン/ツール=0"),
            QStringLiteral("メイン/関連付=1"),
            QStringLiteral("見比べ/大きさ=1"),
            QStringLiteral("見比べ/位置=0"),
            QStringLiteral("見比べ/X座標=0"),
            QStringLiteral("見比べ/Y座標=0"),
            QStringLiteral("見比べ/幅=800"),
            QStringLiteral("見比べ/高さ=600"),
            QStringLiteral("見比べ/時間=250"),
        };
        QCOMPARE(f.writtenKeys(), expected);
    }

    void cancelKeepsEverythingButThePage()
    {
        Fixture f;
        CSettingDlg &d = f.open();
        for (const char *name : {"main.x", "main.width", "compose.quality", "viewer.interval"})
            field(d, QLatin1String(name))->setText(QStringLiteral("999"));
        d.mainPage()->toolbarCheck()->click();
        d.pageList()->setCurrentIndex(1);
        d.reject();
        QCOMPARE(f.writtenKeys(), QStringList{QStringLiteral("設定/項目=1")});
    }

    void opensTheRememberedPage_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("compositing") << 1 << 1;
        QTest::newRow("viewer") << 2 << 2;
        QTest::newRow("outside the list") << 7 << -1;
        QTest::newRow("negative") << -1 << -1;
    }

    void opensTheRememberedPage()
    {
        QFETCH(int, stored);
        QFETCH(int, shown);
        Fixture f;
        (void)f.store.setValue(AppSettings::SettingsPage(), stored);
        CSettingDlg &d = f.open();
        QCOMPARE(d.currentPage(), shown);
        QCOMPARE(d.mainPage()->isVisible(), shown == 0);
        QCOMPARE(d.composePage()->isVisible(), shown == 1);
        QCOMPARE(d.viewerPage()->isVisible(), shown == 2);
        d.reject();
        QCOMPARE(f.store.value(AppSettings::SettingsPage()), shown);
    }

    void captureTakesTheMainWindowRectangle()
    {
        Fixture f;
        // The outer rectangle (10, 20)-(1034, 788), whatever frame the platform draws.
        f.mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.mainWindow));
        const QRect outer = f.mainWindow.frameGeometry();
        const QRect inner = f.mainWindow.geometry();
        const QMargins frame(inner.left() - outer.left(),
            inner.top() - outer.top(),
            outer.right() - inner.right(),
            outer.bottom() - inner.bottom());
        f.mainWindow.setGeometry(QRect(10, 20, 1024, 768) - frame);
        QTRY_COMPARE(f.mainWindow.frameGeometry(), QRect(10, 20, 1024, 768));
        CSettingDlg &d = f.open();
        SettingsFields::Placement &p = d.mainPage()->placementFields();
        p.maximized->click();
        QVERIFY(!p.capture->isEnabled());
        QVERIFY(!p.left->isEnabled());
        p.placed->click();
        QVERIFY(p.capture->isEnabled());
        p.capture->click();
        QCOMPARE(p.left->text(), QStringLiteral("10"));
        QCOMPARE(p.top->text(), QStringLiteral("20"));
        QCOMPARE(p.width->text(), QStringLiteral("1024"));
        QCOMPARE(p.height->text(), QStringLiteral("768"));
        QVERIFY(f.shell.calls.isEmpty());
    }

    void enterInsideAPageDoesNotConfirm()
    {
        Fixture f;
        CSettingDlg &d = f.open();
        QLineEdit *edit = field(d, QStringLiteral("main.x"));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(d.isVisible());
        QVERIFY(!QFile::exists(f.store.path()));
        d.pageList()->setFocus();
        QTest::keyClick(d.pageList(), Qt::Key_Return);
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    void screenReaderKnowsEveryField()
    {
        Fixture f;
        CSettingDlg &d = f.open();
        // On Linux a combo box is read by its text; what it is comes from its label relations (a
        // buddy label, the group box title).
        const QList<std::pair<QWidget *, QString>> combos{
            {d.pageList(), QStringLiteral("設定項目")}, {d.composePage()->ratioList(), QStringLiteral("初期合成比率")}};
        for (const auto &[combo, label] : combos) {
            QStringList labels;
            for (const auto &relation : QAccessible::queryAccessibleInterface(combo)->relations(QAccessible::Label))
                labels << relation.first->text(QAccessible::Name);
            QVERIFY2(labels.contains(label), qPrintable(labels.join(u',')));
        }
        for (const char *name : {"main.x",
                 "main.y",
                 "main.width",
                 "main.height",
                 "compose.quality",
                 "compose.width",
                 "compose.height",
                 "viewer.x",
                 "viewer.y",
                 "viewer.width",
                 "viewer.height",
                 "viewer.interval"}) {
            QAccessibleInterface *edit = QAccessible::queryAccessibleInterface(field(d, QLatin1String(name)));
            QVERIFY2(!edit->text(QAccessible::Name).isEmpty(), name);
        }
    }

    void tooltipsWaitNineHundredMilliseconds()
    {
        Fixture f;
        CSettingDlg &d = f.open();
        int withTip = 0;
        for (QWidget *w : d.findChildren<QWidget *>()) {
            if (w->toolTip().isEmpty())
                continue;
            ++withTip;
            QCOMPARE(w->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, w), 900);
        }
        // The dialog 3, the main window page 10, the compositing page 11 (both arrows), the viewer 9.
        QCOMPARE(withTip, 3 + 10 + 11 + 9);
    }

    void associationButtonReportsWhatHappened()
    {
        Fixture f;
        CSettingDlg &d = f.open();
        QPushButton *apply = d.mainPage()->associationButton();
        apply->click();
        apply->click();
        d.mainPage()->associationRadios()->button(1)->click();
        apply->click();
        apply->click();
        const QStringList expected{QStringLiteral("関連付けしました。"),
            QStringLiteral("すでに Duovue に関連付けられています。"),
            QStringLiteral("関連付けをはずしました。"),
            QStringLiteral("duovファイルは Duovue に関連付けられていません。")};
        QStringList shown;
        for (const auto &c : f.shell.callsOf(QStringLiteral("information"))) {
            QCOMPARE(c.caption, QStringLiteral("関連付け"));
            shown << c.text;
        }
        QCOMPARE(shown, expected);
        QCOMPARE(f.shell.callsOf(QStringLiteral("associations")).size(), 2);
    }
};

QTEST_MAIN(CSettingDlgTest)
#include "csettingdlgtest.moc"
