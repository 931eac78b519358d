#pragma once

namespace Duovue
{

class CMainFrame;

/// The similar-image search command (32840): asks before clearing lists that hold entries, starts
/// a new document, runs the search dialog, shows the results in both lists and offers the
/// auto-check. Thread: GUI thread.
void runSimilarImageSearch(CMainFrame &frame);

} // namespace Duovue
