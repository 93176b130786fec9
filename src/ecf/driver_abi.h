#pragma once

// The boundary between the program and a fiscal printer driver library.
// Parameters are NUL-terminated CP1252 texts; a null pointer is a parameter
// left out, which is not the same as an empty text. The result is non-zero
// when the printer did the command. No C++ exception crosses it.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t (*balcora_comunica_fn)(int32_t command, const char* p1, const char* p2,
                                       const char* p3, const char* p4, const char* p5,
                                       const char* p6, const char* p7);

// The entry every driver library exports under this name.
#define BALCORA_DRIVER_ENTRY "COMUNICA"

#ifdef __cplusplus
}
#endif
