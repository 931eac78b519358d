#include "search/searchcommand.h"

#include "app/cduovueapp.h"
#include "core/appstate.h"
#include "core/userprompts.h"
#include "mainframe/cmainframe.h"
#include "search/ccheckdlg.h"
#include "search/ccmpdlg.h"
#include "search/checkrules.h"
#include "search/searchresults.h"

namespace Duovue
{

void runSimilarImageSearch(CMainFrame &frame)
{
    CDuovueApp &app = frame.app();
    AppState &state = app.state();
    if (!state.fileList[0].isEmpty() || !state.fileList[1].isEmpty()) {
        if (!app.prompts().question(SearchResults::clearQuestion(), Captions::confirm()))
            return;
    }
    frame.newDocument();

    SearchResults::Applied applied;
    {
        CCmpDlg dialog(state, app.settings(), app.prompts(), &frame);
        dialog.exec();
        applied = dialog.applied();
    }

    if (applied.columns == SearchResults::SizeColumns::Show)
        frame.setResultColumns(true);
    else if (applied.columns == SearchResults::SizeColumns::Hide)
        frame.setResultColumns(false);
    frame.refreshList(0);
    frame.refreshList(1);
    frame.updateTitle();

    if (applied.items <= 0)
        return;
    const int rule = CCheckDlg::ask(app.settings(), &frame);
    if (rule != CheckRules::None) {
        CheckRules::apply(rule, state.fileList[0], state.fileList[1]);
        frame.refreshList(0);
        frame.refreshList(1);
    }
}

} // namespace Duovue
