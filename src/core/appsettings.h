#pragma once

#include <QString>

namespace Duovue
{

/// One integer setting of the INI file: its section, key and default.
struct IntSetting {
    QString section;
    QString key;
    int defaultValue = 0;
};

/// One string setting of the INI file: its section, key and default.
struct StringSetting {
    QString section;
    QString key;
    QString defaultValue;
};

/// The one name of every setting, with its section, key and default. Readers fetch a value from the
/// SettingsStore when they need it; nothing here holds a value.
namespace AppSettings
{

StringSetting LastFolder(int side); // "App"/"Dir0", "Dir1"; default the home folder
StringSetting EditCommand(); // "App"/"EditCommand"; empty: the desktop opener
StringSetting UpdateBase(); // "App"/"UpdateBase"; base URL of the update endpoint

IntSetting MainPlacement();
IntSetting MainLeft();
IntSetting MainTop();
IntSetting MainWidth();
IntSetting MainHeight();
IntSetting ShowToolbar();
IntSetting AssociationChoice();

IntSetting ViewerFitToWindow();
IntSetting ViewerPlacement();
IntSetting ViewerLeft();
IntSetting ViewerTop();
IntSetting ViewerWidth();
IntSetting ViewerHeight();
IntSetting AutoAdvanceInterval();
IntSetting DifferenceTolerance(); // "見比べ"/"差分許容値": 0..255, default 0
IntSetting FlickerInterval(); // "見比べ"/"点滅間隔": milliseconds, default 500
IntSetting LinkedViews(); // "見比べ"/"連動": panes side by side zoom and scroll together, default 0
IntSetting LinkedViewsCompared(); // "見比べ"/"比較時の連動": the same in difference and flicker, default 1

IntSetting ComposeMethod();
IntSetting JpegQuality();
IntSetting ComposeMaxWidth();
IntSetting ComposeMaxHeight();
IntSetting ComposeAspect();
IntSetting ComposeStep();

IntSetting SearchSubfolders();
StringSetting SearchFolder(); // default the user's Pictures folder
IntSetting SearchMethod(); // 0 hash, 1 bitmap, 2 similar (the default)
IntSetting SearchPrecision();
IntSetting SearchGreyCopies(); // "比較"/"グレー": the similar method also groups grey copies (0/1)

IntSetting AutoCheckRule();

IntSetting ColumnWidth(int side, int column); // "カラム幅"/"%d-%d"
IntSetting IncludeSubfolders(int side); // "Con"/"Sub%d"
IntSetting SettingsPage();

StringSetting RecentFile(int index); // "Recent File List"/"File%d", index 1 to 5
IntSetting PreviewPages(); // "Settings"/"PreviewPages", kept for compatibility

constexpr int RecentFileCount = 5;

} // namespace AppSettings

} // namespace Duovue
