// Plain main for a fuzz target built without libFuzzer: feeds every file
// named on the command line (or every file in a named folder) to
// LLVMFuzzerTestOneInput once, so the seed corpus runs as an ordinary test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int run_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", p.string().c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

int main(int argc, char** argv) {
  int files = 0, failed = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      for (const auto& e : std::filesystem::directory_iterator(p))
        if (e.is_regular_file()) { failed += run_file(e.path()); ++files; }
    } else {
      failed += run_file(p);
      ++files;
    }
  }
  std::printf("replayed %d inputs\n", files);
  return (failed || files == 0) ? 1 : 0;
}
