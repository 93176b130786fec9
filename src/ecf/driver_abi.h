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

// The other way: the program's own entry that a driver calls once the
// printer has issued a non-fiscal document (management report "RG", credit
// or debit voucher "CC"), with the printer's counters and the amount in
// centavos as digits ("1250" is 12,50). libbalcora exports it under this
// name; a driver links against it or finds it with dlsym. The result is 1
// when the document was recorded; a failure has been shown to the operator.
uint8_t GRAVADOCEMITIDOSECF(const char* tipo, int32_t num_cro, int32_t num_coo, int32_t num_ccf,
                            int32_t num_gnf, int32_t num_grg, int32_t num_cdc, const char* valor);

typedef uint8_t (*balcora_document_register_fn)(const char* tipo, int32_t num_cro, int32_t num_coo,
                                                int32_t num_ccf, int32_t num_gnf, int32_t num_grg,
                                                int32_t num_cdc, const char* valor);
#define BALCORA_DOCUMENT_REGISTER_ENTRY "GRAVADOCEMITIDOSECF"

#ifdef __cplusplus
}
#endif
