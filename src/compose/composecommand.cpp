#include "compose/composecommand.h"

#include "compose/cgouseidlg.h"
#include "core/sessionstate.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"

namespace Duovue
{

void runCompose(const CommandContext &context, const PairToolRunner &runPairTool)
{
    const CDuovueDoc &document = context.document;
    if (!document.isPairLoaded())
        return;
    // Copies: the window keeps its pictures even if a pair tool reloads a pane meanwhile.
    const PaneContent left = document.pairPane(0);
    const PaneContent right = document.pairPane(1);
    CGouseiDlg::open(left.picture,
        left.info,
        right.picture,
        right.info,
        context.settings,
        context.prompts,
        context.session.composeSaveFolder,
        context.parent,
        [&runPairTool](CGouseiDlg &dialog) {
            if (runPairTool)
                QObject::connect(&dialog, &CGouseiDlg::pairToolRequested, &dialog, runPairTool);
        });
}

} // namespace Duovue
