// lzw-enc: streaming LZW encoder for the upload tool. The caller feeds the
// program in pieces of any size; the encoder hands its code stream back in
// 256-byte blocks through lzw_writebuf(), which the caller defines.
// The caller owns the state (one static object of ~16 MiB, never on the
// stack) and the input; the encoder owns out_buf. It cannot fail.
// Besides the state the encoder keeps a private look-up index (~21 MiB of
// static zero pages, touched as the dictionary grows) in step with one
// state at a time: the last one started by lzw_enc_init() or
// lzw_enc_reset(). Change the state only through these functions. A state
// the index does not follow (another was started since, or it was changed
// behind the functions) is still encoded exactly, but slowly, until its
// dictionary restarts. On Linux the encoder asks for large pages for the
// state and the index (fewer TLB misses); a hint only.
//
// Code stream, for whoever writes a loader:
// - Codes 0-255 are the single bytes. New codes are assigned from 256 up,
//   one after each code written: the string of the code just written plus
//   the first byte of the next string (classic LZW, so the code being
//   defined may itself be the next code read).
// - Codes are packed most significant bit first, without gaps; the last
//   byte is completed with zero bits (fewer than 8). The length of the
//   stream is not stored in it.
// - The first code is 8 bits wide. The width grows by one as soon as the
//   code about to be assigned reaches 2^width: right after the first code
//   (next code 256) the width is 9, at 512 it is 10, ... up to 20 bits.
// - When the code to assign would be 2^20 the dictionary starts over: no
//   code announces it. The code that was just written (20 bits) is the
//   last of the old dictionary; the next code is 8 bits wide and a single
//   byte, then the width is 9 again, exactly as at the start.
// - An empty input gives an empty stream.
#pragma once
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LZW_DICT_BITS 20
#define LZW_DICT_SIZE (1u << LZW_DICT_BITS)   // codes 0 .. 0xFFFFF
#define LZW_NULL_CODE (1u << LZW_DICT_BITS)   // "no string" in every code field
#define LZW_HASH_SIZE (1u << LZW_DICT_BITS)   // hash buckets
#define LZW_BLOCK_SIZE 256u                   // output block handed to lzw_writebuf

typedef struct lzw_dict_entry {
  uint32_t prev;  // code of the string without its last byte; LZW_NULL_CODE for codes < 256
  uint32_t next;  // next code in the same hash chain, or LZW_NULL_CODE
  uint8_t ch;     // last byte of the string
} lzw_dict_entry;

typedef struct lzw_enc_state {
  uint32_t prefix_code;   // code of the string matched so far; LZW_NULL_CODE before the first byte
  uint32_t last_code;     // highest code assigned; 255 after init and after each restart
  uint32_t code_bits;     // width of the next code written; 8 after init and after each restart
  uint32_t bit_buffer;    // pending bits, in its low bit_count bits
  uint32_t bit_count;     // pending bits, 0..7 between calls
  uint32_t out_count;     // bytes filled in out_buf, 0..255 between calls
  lzw_dict_entry dict[LZW_DICT_SIZE];  // indexed by code
  uint32_t hash_heads[LZW_HASH_SIZE];  // head code of each bucket's chain, or LZW_NULL_CODE
  uint8_t out_buf[LZW_BLOCK_SIZE];     // output block
} lzw_enc_state;

// Output binding, defined by whoever links the encoder: receives each full
// 256-byte block while encoding and the last partial block (possibly
// empty, len 0) from lzw_enc_end(). Must accept every block.
void lzw_writebuf(const uint8_t* src, uint32_t len);

// Resets the state for a new stream (clears all hash heads); returns it.
lzw_enc_state* lzw_enc_init(lzw_enc_state* state);
// Feeds len bytes; returns len (0 for an empty piece, which changes nothing).
uint32_t lzw_encode(lzw_enc_state* state, const uint8_t* data, uint32_t len);
// Writes the pending code, pads the last byte with zero bits and hands over
// the last partial block. The state is spent afterwards.
void lzw_enc_end(lzw_enc_state* state);

// ---- Internal operations, exported so that tests can check them one by
// ---- one. lzw_encode() behaves exactly as their composition.
// Bucket of the pair (code, byte): (code ^ (byte << 6)) & 0xFFFFF.
uint32_t lzw_hash(uint32_t code, uint8_t byte);
// Code of the string (code, byte), or LZW_NULL_CODE if it is not defined.
uint32_t lzw_enc_findstr(const lzw_enc_state* state, uint32_t code, uint8_t byte);
// Assigns the next code to (code, byte) at the head of its chain and returns
// it; when the dictionary is full it adds nothing, leaves last_code at 2^20
// and returns LZW_NULL_CODE (the caller then calls lzw_enc_reset()).
uint32_t lzw_enc_addstr(lzw_enc_state* state, uint32_t code, uint8_t byte);
// Restart: only the 256 single bytes stay defined; last_code 255, width 8.
// prefix_code, the pending bits and out_buf are kept.
void lzw_enc_reset(lzw_enc_state* state);
// Appends the low n bits (n <= 24) of value, MSB first; full bytes go to
// out_buf, a full out_buf to lzw_writebuf().
void lzw_enc_writebits(lzw_enc_state* state, uint32_t value, uint32_t n);

#ifdef __cplusplus
}
#endif
