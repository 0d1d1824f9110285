// Reads GX RGBA8 tiled texture blocks back into linear RGBA8 pictures (rows
// top first, R G B A per pixel) for previews and checks on the PC. The caller
// owns the tiled block; results go to the caller's vector. Failure (a size
// the block cannot hold) is a false result; nothing is printed.
#ifndef TEXDUMP_UNTILE_H
#define TEXDUMP_UNTILE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Byte offset of texel (x, y)'s alpha in a tiled image whose padded width is
// pw2_width; red follows it, green and blue lie 32 bytes further on.
uint32_t gx_rgba8_offset(uint32_t pw2_width, uint32_t x, uint32_t y);
// Untiles the top-left width x height texels of a tiled image of padded width
// pw2_width into `out` (width x height x 4 bytes).
void gx_rgba8_untile(const uint8_t* tiled, uint32_t pw2_width, uint32_t width, uint32_t height,
                     std::vector<uint8_t>& out);
// Length of the tiled mipmap chain of a power-of-two side of at least 2.
uint64_t mipmap_chain_length(uint32_t side);
// Lays the levels of a tiled mipmap chain of `side` side by side, level 0 at the
// left, tops aligned, transparent black elsewhere: (2 side - 1) x side pixels.
bool mipmap_picture(const uint8_t* chain, uint64_t chain_len, uint32_t side, std::vector<uint8_t>& out,
                    uint32_t& pic_width, uint32_t& pic_height);

#endif
