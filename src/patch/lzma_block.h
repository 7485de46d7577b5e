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

/* Decodes one block straight into its output, its packed bytes fed in pieces as they are
   read, so that no copy of them is held. */
typedef struct QlyLzmaDecoder QlyLzmaDecoder;

/* Starts decoding into dst (dst_len bytes) with the five property bytes props. Returns NULL
   for properties the decoder refuses or when memory is short. */
QlyLzmaDecoder* qly_lzma_decoder_start(const uint8_t* props, uint8_t* dst, size_t dst_len);

/* Feeds the next packed bytes (after the properties). Returns nonzero as soon as the stream is
   known to be wrong: invalid data, or bytes after its end. */
int qly_lzma_decoder_feed(QlyLzmaDecoder* d, const uint8_t* src, size_t src_len);

/* Returns 0 only when the bytes fed made exactly dst_len bytes and the stream ends there. */
int qly_lzma_decoder_finished(const QlyLzmaDecoder* d);

void qly_lzma_decoder_free(QlyLzmaDecoder* d);

#ifdef __cplusplus
}
#endif
