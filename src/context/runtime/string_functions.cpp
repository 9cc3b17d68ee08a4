// The C library functions that the program calls, and those that the compiler
// calls on its own to copy and clear memory. Built without the compiler's
// knowledge of them, so that none is turned back into a call to itself.
#include <cstddef>

extern "C" {

void* memcpy(void* destination, const void* source, std::size_t count) {
    void* start = destination;
    asm volatile("rep movsb" : "+D"(destination), "+S"(source), "+c"(count) : : "memory");
    return start;
}

void* memset(void* destination, int value, std::size_t count) {
    void* start = destination;
    asm volatile("rep stosb" : "+D"(destination), "+c"(count) : "a"(value) : "memory");
    return start;
}

std::size_t strlen(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

char* strchr(const char* text, int character) {
    const char wanted = static_cast<char>(character);
    for (;; ++text) {
        if (*text == wanted) {
            return const_cast<char*>(text);
        }
        if (*text == '\0') {
            return nullptr;
        }
    }
}

char* strstr(const char* text, const char* part) {
    for (;; ++text) {
        std::size_t matched = 0;
        while (part[matched] != '\0' && text[matched] == part[matched]) {
            ++matched;
        }
        if (part[matched] == '\0') {
            return const_cast<char*>(text);
        }
        if (*text == '\0') {
            return nullptr;
        }
    }
}

char* strcpy(char* destination, const char* source) {
    char* start = destination;
    while ((*destination++ = *source++) != '\0') {
    }
    return start;
}

// Pads with terminators up to count, and leaves the copy unterminated when the
// source is count characters or longer.
char* strncpy(char* destination, const char* source, std::size_t count) {
    std::size_t i = 0;
    for (; i < count && source[i] != '\0'; ++i) {
        destination[i] = source[i];
    }
    for (; i < count; ++i) {
        destination[i] = '\0';
    }
    return destination;
}

} // extern "C"
