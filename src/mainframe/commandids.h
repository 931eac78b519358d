#pragma once

namespace Duovue
{

/// Command numbers of the menus, toolbar and accelerators. The numbers are kept stable because
/// menus in several windows and the toolbar refer to the same commands.
enum CommandId : int {
    IdFileNew = 57600,
    IdFileOpen = 57601,
    IdFileSave = 57603,
    IdFileSaveAs = 57604,
    IdFileMruFirst = 57616,
    IdFileMruLast = 57620,
    IdAppExit = 57665,
    IdAppAbout = 57664,
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
};

} // namespace Duovue
