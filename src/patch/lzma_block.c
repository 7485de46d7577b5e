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

int qly_lzma_decode(const uint8_t* src, size_t src_len, uint8_t* dst, size_t dst_len) {
    if (src_len < QLY_LZMA_PROPS_SIZE) {
        return 1;
    }
    size_t out_len = dst_len;
    size_t in_len = src_len - QLY_LZMA_PROPS_SIZE;
    ELzmaStatus status;
    const SRes res = LzmaDecode(dst, &out_len, src + QLY_LZMA_PROPS_SIZE, &in_len, src,
                                QLY_LZMA_PROPS_SIZE, LZMA_FINISH_END, &status, &qly_allocator);
    if (res != SZ_OK || out_len != dst_len || in_len != src_len - QLY_LZMA_PROPS_SIZE) {
        return 1;
    }
    return status == LZMA_STATUS_FINISHED_WITH_MARK ||
                   status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK
               ? 0
               : 1;
}
