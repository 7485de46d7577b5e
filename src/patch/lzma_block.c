/* Glue between the block codec and the LZMA decoder compiled from the system's sources (the
   encoder's glue is lzma_encode.c). */
#include "patch/lzma_block.h"

#include <LzmaDec.h>
#include <stdlib.h>

static void* qly_alloc(void* p, size_t size) {
    (void)p;
    return size == 0 ? NULL : malloc(size);
}
static void qly_free(void* p, void* address) {
    (void)p;
    free(address);
}
static ISzAlloc qly_allocator = {qly_alloc, qly_free};

struct QlyLzmaDecoder {
    CLzmaDec state;
    size_t size;
    ELzmaStatus status;
    int failed;
};

QlyLzmaDecoder* qly_lzma_decoder_start(const uint8_t* props, uint8_t* dst, size_t dst_len) {
    QlyLzmaDecoder* d = (QlyLzmaDecoder*)calloc(1, sizeof *d);
    if (d == NULL) {
        return NULL;
    }
    LzmaDec_Construct(&d->state);
    if (LzmaDec_AllocateProbs(&d->state, props, QLY_LZMA_PROPS_SIZE, &qly_allocator) != SZ_OK) {
        free(d);
        return NULL;
    }
    /* The output is the decoder's dictionary, as in a one-shot decode. */
    d->state.dic = dst;
    d->state.dicBufSize = dst_len;
    d->size = dst_len;
    d->status = LZMA_STATUS_NOT_SPECIFIED;
    LzmaDec_Init(&d->state);
    return d;
}

int qly_lzma_decoder_feed(QlyLzmaDecoder* d, const uint8_t* src, size_t src_len) {
    while (!d->failed && src_len > 0) {
        SizeT used = src_len;
        /* As a one-shot decode would: the stream must end where the output does. */
        const SRes res =
            LzmaDec_DecodeToDic(&d->state, d->size, src, &used, LZMA_FINISH_END, &d->status);
        /* No progress with bytes left means they lie after the end of the block. */
        if (res != SZ_OK || used == 0) {
            d->failed = 1;
        }
        src += used;
        src_len -= used;
    }
    return d->failed;
}

int qly_lzma_decoder_finished(const QlyLzmaDecoder* d) {
    if (d->failed || d->state.dicPos != d->size) {
        return 1;
    }
    return d->status == LZMA_STATUS_FINISHED_WITH_MARK ||
                   d->status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK
               ? 0
               : 1;
}

void qly_lzma_decoder_free(QlyLzmaDecoder* d) {
    if (d != NULL) {
        LzmaDec_FreeProbs(&d->state, &qly_allocator);
        free(d);
    }
}
