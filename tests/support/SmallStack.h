// Runs a test body on a thread with a small machine stack, where value
// stacks that fit the main thread's stack have to come from the budget.
#pragma once

#include <gtest/gtest.h>

#include <pthread.h>

#include <cstddef>

template <typename Body>
void OnSmallStack(size_t bytes, Body body)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    auto start = [](void* argument) -> void* {
        (*static_cast<Body*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, start, &body), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}
