#pragma once

#include <span>

#include <QKeyCombination>
#include <QString>

namespace Duovue
{

/// The number of every command of the program's menus, toolbar and accelerators, each written here
/// once. Windows name commands by these, never by number: the viewer's pane menu and the compositing
/// window run the main menu's pair tools, and the toolbar the main menu's commands, because they
/// share the command, not because their numbers happen to agree.
enum CommandId : int {
    // The main window: File, View, Tools and Help.
    IdFileNew = 57600,
    IdFileOpen = 57601,
    IdFileSave = 57603,
    IdFileSaveAs = 57604,
    IdFileMruFirst = 57616, // the recent files, IdFileMruFirst + index
    IdFileMruLast = 57620,
    IdAppAbout = 57664,
    IdAppExit = 57665,
    IdHelp = 57670,
    IdViewToolbar = 59392,
    IdCompose = 32772,
    IdViewerOpen = 32773,
    IdSettings = 32795,
    IdExistenceCheck = 32810,
    IdUpdateCheck = 32811,
    IdBinaryCompare = 32814,
    IdDifferenceAnalysis = 32816,
    IdJpegCompare = 32817,
    IdSimilarSearch = 32840,

    // The file lists' context menus ("List_con", "Cmp_con"); the main window runs them
    // (runListCommand) on the list that showed the menu.
    IdListClear = 32774,
    IdListRecycle = 32775,
    IdListRemove = 32777,
    IdListSelectAll = 32778,
    IdListInvertSelection = 32779,
    IdListOpen = 32780,
    IdListEdit = 32781,
    IdListMove = 32782,
    IdListCopy = 32783,
    IdListPositionTop = 32796,
    IdListPositionHere = 32797,
    IdListRename = 32815,
    IdListCheckAll = 32848,
    IdListToggleChecks = 32849,
    IdListUncheckAll = 32850,
    IdListRecycleChecked = 32851,
    IdListRemoveChecked = 32852,
    IdListAutoCheckFirst = 32860, // auto-check rules 1 to 6: IdListAutoCheckFirst + rule - 1
    IdListAutoCheckLast = 32865,

    // A viewer pane's context menu ("Img_con"), besides the pair tools and IdCompose.
    IdRotateLeft = 32785,
    IdRotateRight = 32786,
    IdRotate180 = 32787,
    IdFlipVertical = 32788,
    IdFlipHorizontal = 32789,
    IdImageInfo = 32793,
    IdTrash = 32794,
    IdBackToTop = 32798,
    IdMoveToFolder = 32799,
    IdCopyToFolder = 32800,
    IdActualSize = 32801,
    IdFitToWindow = 32802,
    IdZoom100 = 32803, // the zoom factors in order: IdZoom100 + index
    IdZoom200 = 32804,
    IdZoom300 = 32805,
    IdZoom500 = 32806,
    IdZoom1000 = 32807,
    IdAutoAdvanceStart = 32808,
    IdAutoAdvanceStop = 32809,
    IdColour = 32834, // the colour modes in order: IdColour + mode
    IdInverted = 32835,
    IdMonochrome = 32836,
    IdBrightness = 32839,
    // The comparison modes, which act on the whole viewer.
    IdDifferenceMode = 32901,
    IdSplitMode = 32902,
    IdFlicker = 32903,
    IdLinkedViews = 32904,
    IdComparisonOptions = 32905,

    // The compositing window's context menu ("Gou_con"), besides the pair tools.
    IdCompositeSave = 32784,
    IdMethodRows = 32790, // the composite methods in order: IdMethodRows + method
    IdMethodColumns = 32791,
    IdMethodDots = 32792,
    IdResetSlide = 32818,
    IdAspectFree = 32819,
    IdAspectOriginal = 32820,
    IdRatio1 = 32827, // the ratios of 1 to 5 pixels: IdRatio1 + ratio - 1
    IdRatio2 = 32828,
    IdRatio3 = 32829,
    IdRatio4 = 32830,
    IdRatio5 = 32831,
    IdResetSize = 32833,
};

/// One row of the command table: what every menu, toolbar button and accelerator of the command
/// shows. The texts are the untranslated source texts (translation context "Commands").
struct Command {
    CommandId id;
    /// The menu caption: "&" before the mnemonic, a tab before the shortcut column.
    const char *caption = nullptr;
    /// The toolbar button's tip; none: the caption's text before its tab.
    const char *toolTip = nullptr;
    /// The accelerator; none when empty.
    QKeyCombination shortcut = {};
    /// The longer text a status bar shows; none when null.
    const char *statusTip = nullptr;
};

/// The command table and what the windows read of it, translated.
///
/// Thread: any (constant data; translation as QCoreApplication::translate allows).
namespace Commands
{

std::span<const Command> all();
/// The row of @p id; a programmer error (asserts) when there is none.
const Command &of(int id);

/// The menu caption as Qt shows it: its shortcut column after one tab (a second tab would show).
QString caption(int id);
/// The caption without its shortcut column ("バイナリ比較(&B)"), for a menu of a window that has no
/// accelerators.
QString captionWithoutShortcut(int id);
QString toolTip(int id);
/// Empty when the command has none.
QString statusTip(int id);

} // namespace Commands

} // namespace Duovue
