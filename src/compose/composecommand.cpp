#include "compose/composecommand.h"

#include <QApplication>

#include "compose/cgouseidlg.h"
#include "core/sessionstate.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"

namespace Duovue
{

namespace
{

// Asked for from one of the main window's own windows (the comparison viewer's pane menu), the
// compositing window belongs over that window: owned by the main window, it would bring the main
// window up over the viewer, which then stays hidden behind it.
QWidget *ownerFor(QWidget *mainWindow)
{
    QWidget *active = QApplication::activeWindow();
    for (QWidget *w = active; w; w = w->parentWidget()) {
        if (w == mainWindow)
            return active;
    }
    return mainWindow;
}

} // namespace

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
        ownerFor(context.parent),
        [&runPairTool](CGouseiDlg &dialog) {
            if (runPairTool)
                QObject::connect(&dialog, &CGouseiDlg::pairToolRequested, &dialog, runPairTool);
        });
}

} // namespace Duovue
