#pragma once

#include <functional>

namespace Duovue
{

struct CommandContext;

/// Runs a pair tool (IdBinaryCompare, IdDifferenceAnalysis, IdJpegCompare) exactly as the main
/// menu's command does.
using PairToolRunner = std::function<void(int commandId)>;

/// "画像の合成" (Ctrl+G): opens the compositing window modally on the document's active pair (the
/// main window's previews, or the viewer's panes while the viewer is open). Does nothing unless
/// both panes of the pair hold a successfully loaded picture; a left picture narrower than 30
/// pixels is refused with "画像が小さ過ぎます". The window's pair-tool entries call
/// @p runPairTool; its save dialog starts in, and updates, SessionState::composeSaveFolder.
///
/// Every entry point (the Tools menu, the toolbar, the accelerator and the viewer's pane menu)
/// triggers the main window's IdCompose action, which calls this.
///
/// Thread: GUI thread. Blocks in the window's event loop until the window closes.
void runCompose(const CommandContext &context, const PairToolRunner &runPairTool = {});

} // namespace Duovue
