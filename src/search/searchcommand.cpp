#include "search/searchcommand.h"

#include "core/userprompts.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "search/ccheckdlg.h"
#include "search/ccmpdlg.h"
#include "search/searchresults.h"

namespace Duovue
{

void runSimilarImageSearch(const CommandContext &context)
{
    CDuovueDoc &document = context.document;
    if (!document.fileList(0).isEmpty() || !document.fileList(1).isEmpty()) {
        if (!context.prompts.question(SearchResults::clearQuestion(), Captions::confirm()))
            return;
    }
    document.newDocument();

    SearchResults::Applied applied;
    {
        CCmpDlg dialog(context);
        dialog.exec();
        applied = dialog.applied();
    }
    if (applied.items <= 0)
        return;

    document.applyCheckRule(CCheckDlg::ask(context.settings, context.parent));
}

} // namespace Duovue
