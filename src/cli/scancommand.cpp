#include "cli/clicommand.h"

namespace Duovue::Cli
{

// Not built yet: the command stays out of the command list until it has a real implementation.
const Command &scanCommand()
{
    static const Command command{"scan", "scan", "", nullptr};
    return command;
}

} // namespace Duovue::Cli
