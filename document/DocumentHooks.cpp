#include "document/DocumentHooks.h"

DocumentHooks& GetDocumentHooks()
{
    static DocumentHooks hooks;
    return hooks;
}
