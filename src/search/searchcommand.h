#pragma once

namespace Duovue
{

struct CommandContext;

/// The similar-image search command (IdSimilarSearch): asks before clearing lists that hold entries, starts
/// a new document, runs the search dialog, which hands its results to the document, and offers the
/// auto-check. Thread: GUI thread.
void runSimilarImageSearch(const CommandContext &context);

} // namespace Duovue
