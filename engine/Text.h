// Bounded text copies into fixed-size fields: host buffers, record names, widget labels.
#pragma once

#include <cstddef>
#include <cstring>

// Copies at most size - 1 characters of src (a null src counts as empty) and a terminating NUL;
// nothing at all when size is 0. Reads src only up to its NUL or its size - 1st character, so a
// field that is not terminated may be the source.
inline void copyText(char* dst, const char* src, std::size_t size) {
    if (dst == nullptr || size == 0)
        return;
    std::size_t n = 0;
    if (src != nullptr)
        for (; n < size - 1 && src[n] != '\0'; ++n)
            dst[n] = src[n];
    dst[n] = '\0';
}

// copyText, then zeros up to the field's end: equal texts give equal bytes (record names in chunks
// carry nothing of what was there before).
inline void copyTextZeroFilled(char* dst, const char* src, std::size_t size) {
    if (dst == nullptr || size == 0)
        return;
    copyText(dst, src, size);
    const std::size_t n = std::strlen(dst);
    std::memset(dst + n, 0, size - n);
}
