// The stand-in's WAV parser on arbitrary bytes: it must never read outside
// them, and what it accepts must be a usable sound.
#include <cstdlib>

#include "standin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  standin::Pcm pcm;
  const char* why = nullptr;
  const bool ok = standin::wav_parse(data, size, &pcm, &why);
  if (ok != (why == nullptr)) std::abort();  // a reason exactly when refused
  if (ok && (pcm.samples.empty() || pcm.sample_rate == 0 || pcm.samples.size() > size)) std::abort();
  return 0;
}
