#include "core/appsettings.h"

#include <QDir>
#include <QStandardPaths>

namespace Duovue::AppSettings
{

namespace
{

const QString App = QStringLiteral("App");
const QString Main = QStringLiteral("メイン");
const QString Viewer = QStringLiteral("見比べ");
const QString Compose = QStringLiteral("合成");
const QString Search = QStringLiteral("比較");

} // namespace

StringSetting LastFolder(int side)
{
    return {App, QStringLiteral("Dir%1").arg(side), QDir::homePath()};
}

StringSetting EditCommand()
{
    return {App, QStringLiteral("EditCommand"), QString()};
}

StringSetting UpdateBase()
{
    return {App, QStringLiteral("UpdateBase"), QStringLiteral("https://duovue.example.org")};
}

IntSetting MainPlacement()
{
    return {Main, QStringLiteral("位置"), 0};
}
IntSetting MainLeft()
{
    return {Main, QStringLiteral("X座標"), 0};
}
IntSetting MainTop()
{
    return {Main, QStringLiteral("Y座標"), 0};
}
IntSetting MainWidth()
{
    return {Main, QStringLiteral("幅"), 800};
}
IntSetting MainHeight()
{
    return {Main, QStringLiteral("高さ"), 600};
}
IntSetting ShowToolbar()
{
    return {Main, QStringLiteral("ツール"), 1};
}
// Written by the settings dialog, never read back; the default only matters to a reader that never comes.
IntSetting AssociationChoice()
{
    return {Main, QStringLiteral("関連付"), 0};
}

IntSetting ViewerFitToWindow()
{
    return {Viewer, QStringLiteral("大きさ"), 0};
}
IntSetting ViewerPlacement()
{
    return {Viewer, QStringLiteral("位置"), 0};
}
IntSetting ViewerLeft()
{
    return {Viewer, QStringLiteral("X座標"), 0};
}
IntSetting ViewerTop()
{
    return {Viewer, QStringLiteral("Y座標"), 0};
}
IntSetting ViewerWidth()
{
    return {Viewer, QStringLiteral("幅"), 800};
}
IntSetting ViewerHeight()
{
    return {Viewer, QStringLiteral("高さ"), 600};
}
IntSetting AutoAdvanceInterval()
{
    return {Viewer, QStringLiteral("時間"), 1000};
}
IntSetting DifferenceTolerance()
{
    return {Viewer, QStringLiteral("差分許容値"), 0};
}
IntSetting FlickerInterval()
{
    return {Viewer, QStringLiteral("点滅間隔"), 500};
}
IntSetting LinkedViews()
{
    return {Viewer, QStringLiteral("連動"), 0};
}
IntSetting LinkedViewsCompared()
{
    return {Viewer, QStringLiteral("比較時の連動"), 1};
}

IntSetting ComposeMethod()
{
    return {Compose, QStringLiteral("方法"), 0};
}
IntSetting JpegQuality()
{
    return {Compose, QStringLiteral("品質"), 95};
}
IntSetting ComposeMaxWidth()
{
    return {Compose, QStringLiteral("幅"), 800};
}
IntSetting ComposeMaxHeight()
{
    return {Compose, QStringLiteral("高さ"), 600};
}
IntSetting ComposeAspect()
{
    return {Compose, QStringLiteral("縦横比"), 0};
}
IntSetting ComposeStep()
{
    return {Compose, QStringLiteral("比率"), 1};
}

IntSetting SearchSubfolders()
{
    return {Search, QStringLiteral("サブ"), 0};
}

StringSetting SearchFolder()
{
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath();
    return {Search, QStringLiteral("フォルダ名"), pictures};
}

IntSetting SearchMethod()
{
    return {Search, QStringLiteral("方式"), 2};
}
IntSetting SearchPrecision()
{
    return {Search, QStringLiteral("精度"), 15};
}
IntSetting SearchGreyCopies()
{
    return {Search, QStringLiteral("グレー"), 0};
}

IntSetting AutoCheckRule()
{
    return {QStringLiteral("チェック"), QStringLiteral("選択"), 0};
}

IntSetting ColumnWidth(int side, int column)
{
    return {QStringLiteral("カラム幅"), QStringLiteral("%1-%2").arg(side).arg(column), 120};
}

IntSetting IncludeSubfolders(int side)
{
    return {QStringLiteral("Con"), QStringLiteral("Sub%1").arg(side), 0};
}

IntSetting SettingsPage()
{
    return {QStringLiteral("設定"), QStringLiteral("項目"), 0};
}

StringSetting RecentFile(int index)
{
    return {QStringLiteral("Recent File List"), QStringLiteral("File%1").arg(index), QString()};
}

IntSetting PreviewPages()
{
    return {QStringLiteral("Settings"), QStringLiteral("PreviewPages"), 0};
}

} // namespace Duovue::AppSettings
