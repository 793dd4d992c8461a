// A growable heap block holding one zero-terminated string.
#pragma once

#include <climits>
#include <cstdlib>

class TextBuffer {
public:
    TextBuffer() = default;
    ~TextBuffer()
    {
        std::free(data);
        data = nullptr;
    }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Room for n characters and the terminating zero. When that room cannot be
    // had, the block is given up: data is null and capacity 0, so that no
    // caller writes through a block that is too small.
    void Reserve(int n)
    {
        if (n < INT_MAX && n + 1 <= capacity)
            return;
        char* grown = n < INT_MAX ? static_cast<char*>(data != nullptr
                                                           ? std::realloc(data, std::size_t(n) + 1)
                                                           : std::malloc(std::size_t(n) + 1))
                                  : nullptr;
        if (grown == nullptr) {
            std::free(data);
            data = nullptr;
            capacity = 0;
            return;
        }
        if (data == nullptr)
            grown[0] = '\0';
        data = grown;
        capacity = n + 1;
    }

    // The block for writing, holding at least n characters; a fresh one is an
    // empty string and a grown one keeps its contents. Null when out of memory.
    char* GetBuffer(int n)
    {
        Reserve(n);
        return data;
    }

    char* data = nullptr;
    int capacity = 0;
};
