#include "platform/ProgramResources.h"

#include <QtGlobal>

// The resources live in a static library, whose registration the linker
// would drop unless something names it.
static void RegisterOnce()
{
    Q_INIT_RESOURCE(vellumor);
}

void RegisterProgramResources()
{
    static const bool registered = (RegisterOnce(), true);
    (void)registered;
}
