#include "CoreUtilities/EngineThread.h"

size_t EngineThreadStackBytes = 8u << 20;

bool StartEngineThread(void* (*body)(void*), void* argument, pthread_t* thread)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    int failed = pthread_attr_setstacksize(&attributes, EngineThreadStackBytes);
    if (!failed && !thread)
        failed = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t handle;
    if (!failed)
        failed = pthread_create(&handle, &attributes, body, argument);
    pthread_attr_destroy(&attributes);
    if (failed)
        return false;
    if (thread)
        *thread = handle;
    return true;
}
