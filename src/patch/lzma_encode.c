/* Glue between the block codec and the LZMA encoder compiled from the system's sources; apart
   from the decoder's, so that a program that only decodes links no encoder. */
#include "patch/lzma_block.h"

#include <LzmaEnc.h>
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

int qly_lzma_encode(const uint8_t* src, size_t src_len, uint8_t* dst, size_t* dst_len,
                    uint32_t dict_size, int lc, int lp, int pb) {
    if (*dst_len < QLY_LZMA_PROPS_SIZE) {
        return 1;
    }
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 9;
    props.dictSize = dict_size < (1u << 12) ? (1u << 12) : dict_size;
    props.lc = lc;
    props.lp = lp;
    props.pb = pb;
    props.algo = 1;
    props.fb = 273;
    props.btMode = 1;
    props.numHashBytes = 4;
    props.mc = 1u << 10;
    props.writeEndMark = 0;
    props.numThreads = 1;
    size_t props_size = QLY_LZMA_PROPS_SIZE;
    size_t out_len = *dst_len - QLY_LZMA_PROPS_SIZE;
    const SRes res = LzmaEncode(dst + QLY_LZMA_PROPS_SIZE, &out_len, src, src_len, &props, dst,
                                &props_size, 0, NULL, &qly_allocator, &qly_allocator);
    if (res != SZ_OK || props_size != QLY_LZMA_PROPS_SIZE) {
        return 1;
    }
    *dst_len = out_len + QLY_LZMA_PROPS_SIZE;
    return 0;
}
