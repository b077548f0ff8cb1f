#include "formula/IsCaretMoveCommand.h"

bool IsCaretMoveCommand(int32_t command)
{
    constexpr int32_t kBackspace = 5641;
    return command >= 5632 && command <= 5648 && command != kBackspace;
}
