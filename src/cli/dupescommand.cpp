#include "cli/clicommand.h"

namespace Duovue::Cli
{

// Not built yet: the command stays out of the command list until it has a real implementation.
const Command &dupesCommand()
{
    static const Command command{"dupes", "dupes", "", nullptr};
    return command;
}

} // namespace Duovue::Cli
