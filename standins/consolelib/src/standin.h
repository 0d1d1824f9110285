// Internal seams between the pieces of the console stand-in. Nothing here is
// visible to console programs; they see only the console headers.
//
// Threads: the program's main thread calls the console functions; the audio
// clock thread runs the audio frames (program callback, render, WAV output).
// Shared audio state is guarded by audio_mutex(); the trace has its own lock.
#ifndef CONSOLELIB_STANDIN_H
#define CONSOLELIB_STANDIN_H

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "art.h"
#include "console_types.h"
#include "mini_ax.h"

namespace standin {

// Run settings from the environment, read once (config.cpp). Bad values end
// the process with a one-line message on stderr and exit status 2.
struct Config {
  std::string sd_root;        // CONSOLE_SD_ROOT, or the built-in card folder
  bool sd_result_set = false; // CONSOLE_SD_RESULT given
  s32 sd_result = 1;
  std::vector<u16> pads;      // CONSOLE_PADS, one button word per frame
  bool pads_set = false;
  long long frames = -1;      // CONSOLE_FRAMES; -1 = no budget
  std::string audio_out;      // CONSOLE_AUDIO_OUT; empty = no WAV
  std::string trace_path;     // CONSOLE_TRACE; empty = no trace
  bool scripted = false;      // CONSOLE_PADS or CONSOLE_FRAMES given
};
const Config& config();
[[noreturn]] void config_fail(const std::string& message);

// Trace file (trace.cpp): one line per call, safe from both threads.
bool trace_on();
void trace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
u32 f32_bits(f32 value);

// Orderly end of the run (system.cpp): stops the audio clock, finishes the
// WAV and the trace, restores the terminal, exits with status.
[[noreturn]] void finish(int status);
bool quit_requested();  // Ctrl-C, SIGTERM or the quit key
void request_quit(int status);
void finish_if_quit();       // finish() if a quit was asked for
std::uint64_t video_frames();  // vertical syncs waited for so far

// SD card (sd_card.cpp): "sd_gecko:/a/b" -> "<card folder>/a/b". False if the
// card is not mounted or the path is not on it (".." never leaves the card).
bool sd_host_path(const char* path, std::string* host_path);

// WAV parsing (wav_reader.cpp): PCM 8/16-bit, 1-2 channels, mixed to mono.
struct Pcm {
  std::vector<s16> samples;
  u32 sample_rate = 0;
};
bool wav_parse(const u8* bytes, std::size_t size, Pcm* out, const char** why);

// Mixed output (wav_writer.cpp): 16-bit stereo at MINI_AX_OUTPUT_RATE.
bool wav_out_open(const std::string& path);
void wav_out_write(const s16* left_right, std::size_t frames);
void wav_out_close();

// Audio clock (audio_clock.cpp). Real time: a frame every 5 ms. Scripted:
// time moves only when the main thread advances it, and the call returns
// once the clock thread has run every frame due by then.
void clock_start(void (*frame)());
void clock_advance_ms(u32 ms);
void clock_advance_video_frame();
void clock_stop();
std::uint64_t clock_samples();  // output samples rendered so far

// Audio library internals (mini_ax.cpp).
std::mutex& audio_mutex();
std::size_t voice_count();                 // caller holds audio_mutex()
MINI_AX_VOICE_PB_TYPE* voice_at(std::size_t index);
int voice_index(const MINI_AX_VOICE_PB_TYPE* voice);  // -1 if not a voice
void audio_close();

// Articulation internals (art.cpp). art_sync, main thread only: hands the
// program's articulator fields to the audio thread's copies and back; every
// console call that lets time pass or starts a sound calls it first. Then
// the text of a sound's articulators for the trace, and the final state.
void art_sync();
std::string art_state_of_voice(const MINI_AX_VOICE_PB_TYPE* voice);
void art_trace_final_state();

// Keyboard and signals (terminal_posix.cpp): Ctrl-C, SIGTERM and SIGHUP ask
// for an orderly end; with raw_keys, key input is unbuffered and unechoed
// until any exit. term_read returns the bytes waiting, never blocks.
void term_keyboard_open(bool raw_keys);
std::size_t term_read(u8* buffer, std::size_t size);
void term_restore();
bool term_interrupted();

}  // namespace standin

#endif
