// lzw-dec: decoder for the LZW code stream that the upload tool writes
// (8- to 20-bit codes, MSB first, dictionary restart at 2^20 codes, last
// byte zero-padded). It mirrors the encoder's dictionary as the console's
// loader does.
// The caller owns both buffers; the decoder never reads past stream_len.
// Failure: returns false and sets err to one line of text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Decodes stream[0, stream_len) into out (replaced). Stops with an error
// once more than max_out bytes would be produced: pass the expected size,
// since a hostile stream of n bytes can expand to about n^2 bytes. Errors:
// a code not yet defined, a stream cut inside a code, padding bits that
// are not zero, output beyond max_out.
bool lzw_decode(const uint8_t* stream, size_t stream_len, std::vector<uint8_t>& out,
                std::string& err, size_t max_out = SIZE_MAX);
