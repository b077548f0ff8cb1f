#include "document/DocumentFileHooks.h"

DocumentFileHooks& GetDocumentFileHooks()
{
    static DocumentFileHooks hooks;
    return hooks;
}
