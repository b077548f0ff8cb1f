// Contiguous arrays that double from 16 elements, with storage under the
// memory budget, so that running out of memory is a result and not an
// exception. Plain records: a zeroed array is empty and ready, and nothing is
// freed behind the owner's back (Clear gives the storage back).
#pragma once

#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>
#include <type_traits>

// The growth step shared by every element size, for a full array: a block of
// twice the capacity (16 for an empty array) holding the count elements, and
// the old storage given back. Null storage in the answer when refused; the
// array's own storage is then untouched.
struct GrownStorage {
    void* storage;
    int32_t capacity;
};
GrownStorage GrowArrayStorage(void* storage, int32_t count, int32_t capacity, uint32_t elementSize);

template <typename T>
struct GrowArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

    T* storage = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;

    // Makes room for one more element; false when the budget refuses.
    bool Grow()
    {
        if (count < capacity)
            return true;
        // By value, so that count and capacity can stay in registers in loops.
        GrownStorage grown = GrowArrayStorage(storage, count, capacity, sizeof(T));
        if (!grown.storage)
            return false;
        storage = static_cast<T*>(grown.storage);
        capacity = grown.capacity;
        return true;
    }

    // 0 on success, 1 when the budget refuses (the array is then unchanged).
    int32_t Push(const T& element)
    {
        // The element may live in the storage that Grow replaces.
        T copy = element;
        if (!Grow())
            return 1;
        storage[count++] = copy;
        return 0;
    }

    // Closes the gap at index; the storage stays.
    void RemoveAt(int32_t index)
    {
        MoveBytes(storage + index, storage + index + 1, sizeof(T) * static_cast<size_t>(count - index - 1));
        --count;
    }

    // Takes the last element off; the array must not be empty.
    T PopLast() { return storage[--count]; }

    // 0 with the element at index and the later ones moved up, 1 when the
    // budget refuses (the array is then unchanged).
    int32_t InsertAt(int32_t index, const T& element)
    {
        T copy = element;
        if (!Grow())
            return 1;
        MoveBytes(storage + index + 1, storage + index, sizeof(T) * static_cast<size_t>(count - index));
        storage[index] = copy;
        ++count;
        return 0;
    }

    int32_t Clear()
    {
        BudgetFree(storage);
        storage = nullptr;
        count = 0;
        capacity = 0;
        return 0;
    }

    // For lists that own the formulas they point to.
    void DeleteCompiledFormulas()
        requires std::is_pointer_v<T>
    {
        for (int32_t i = 0; i < count; ++i)
            delete storage[i];
        Clear();
    }

    T& operator[](int32_t index) { return storage[index]; }
    const T& operator[](int32_t index) const { return storage[index]; }
    T* begin() { return storage; }
    T* end() { return storage + count; }
    const T* begin() const { return storage; }
    const T* end() const { return storage + count; }
};

// The three element sizes the engine keeps: words (32-bit values and
// pointers), 8-byte records (rectangles, pairs) and 16-byte records.
template <typename T>
    requires(sizeof(T) == 4 || std::is_pointer_v<T>)
using GrowArray4 = GrowArray<T>;

template <typename T>
    requires(sizeof(T) == 8)
using GrowArray8 = GrowArray<T>;

template <typename T>
    requires(sizeof(T) == 16)
using GrowArray16 = GrowArray<T>;
