/* gx_standin: test controls of the host stand-in for the console graphics
 * services (gx_services.h). It records every service call with its
 * arguments in order, counts the blocks taken through memalign() and the
 * heap seam, and can make the N-th allocation fail. The log is the
 * stand-in's own; gx_standin_reset() clears it. Not thread-safe beyond
 * one mutex around the bookkeeping.
 *
 * gx_standin_reset              clears the log, the counters and any planned failure
 * gx_standin_call_count/call    the recorded service calls, oldest first (the
 *                               pointer holds until the next service call)
 * gx_standin_fail_allocation    the n-th allocation from now returns null (0: none)
 * gx_standin_allocations        allocations attempted since the last reset
 * gx_standin_live_blocks/bytes  blocks taken and not yet freed, and their bytes
 * gx_standin_peak_bytes         most bytes live at once since the last reset
 * gx_standin_block_size         size of a live block, 0 for an unknown address
 * gx_standin_checksum           the checksum the flush records, over any bytes
 */
#ifndef GX_STANDIN_H
#define GX_STANDIN_H

#include "gx_services.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  GX_STANDIN_MEMALIGN = 1,
  GX_STANDIN_DC_FLUSH_RANGE,
  GX_STANDIN_INIT_TEX_OBJ,
  GX_STANDIN_INIT_TEX_OBJ_LOD
} GX_STANDIN_CALL_KIND;

/* One recorded call; only the fields of its kind are set, the rest are 0. */
typedef struct {
  GX_STANDIN_CALL_KIND kind;
  /* memalign: the block returned; dc_flush_range: start; gx_init_*: object */
  void* address;
  /* memalign */
  u32 alignment;
  u32 size;
  /* dc_flush_range: length asked for; bytes of the range inside a live
     block, and the checksum of those bytes at the time of the flush */
  u32 length;
  u32 checked_bytes;
  u64 checksum;
  /* gx_init_tex_obj */
  void* image;
  u16 width;
  u16 height;
  u8 format;
  u8 wrap_s;
  u8 wrap_t;
  u8 mipmap;
  /* gx_init_tex_obj_LOD */
  u8 min_filter;
  u8 mag_filter;
  u8 bias_clamp;
  u8 edge_lod;
  u8 max_aniso;
  f32 min_lod;
  f32 max_lod;
  f32 lod_bias;
} GX_STANDIN_CALL_TYPE;

void gx_standin_reset(void);
u32 gx_standin_call_count(void);
const GX_STANDIN_CALL_TYPE* gx_standin_call(u32 index);
void gx_standin_fail_allocation(u32 n);
u32 gx_standin_allocations(void);
u32 gx_standin_live_blocks(void);
u64 gx_standin_live_bytes(void);
u64 gx_standin_peak_bytes(void);
u64 gx_standin_block_size(const void* block);
u64 gx_standin_checksum(const void* bytes, u32 length);

#ifdef __cplusplus
}
#endif

#endif
