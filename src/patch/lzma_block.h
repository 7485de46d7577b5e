/* One-shot LZMA coding of a block held in memory. A plain C interface, so that the codec's own
   headers (which pull in the system's headers on Windows) stay inside its translation unit. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The five property bytes that precede every LZMA block. */
enum { QLY_LZMA_PROPS_SIZE = 5 };

/* Compresses src into dst (capacity *dst_len) as the properties followed by the raw LZMA data.
   On success returns 0 and sets *dst_len to the bytes written; returns nonzero when the result
   does not fit or the encoder fails. dict_size is clamped to the codec's limits. */
int qly_lzma_encode(const uint8_t* src, size_t src_len, uint8_t* dst, size_t* dst_len,
                    uint32_t dict_size, int lc, int lp, int pb);

/* Decompresses exactly dst_len bytes from src (properties first). Returns 0 only when the
   stream is valid, yields exactly dst_len bytes and uses every byte of src. */
int qly_lzma_decode(const uint8_t* src, size_t src_len, uint8_t* dst, size_t dst_len);

#ifdef __cplusplus
}
#endif
