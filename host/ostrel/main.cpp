// ostrel: uploads a console program over a serial cable. Reads the program
// file, compresses it with LZW behind a 24-byte upload header, opens the port
// at 115200 8N1 and sends the upload image with XMODEM-1K.
//   ostrel COM1 program.dol        (Windows, or /dev/ttyS0 on Linux)
//   ostrel /dev/ttyUSB0 game.dol   (a device path, POSIX only)
// Exit status: 0 when the receiver acknowledged the whole upload and the port
// closed; 1 on any failure, after one line on standard output.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "lzw-enc.h"
#include "names.h"
#include "serial.h"
#include "xmodem.h"

uint8_t* program_code = nullptr;     // the program file as read
uint8_t* compressed_code = nullptr;  // the upload image: header, then code stream
int32_t compressed_offset = 0;       // write position in compressed_code
int32_t file_offset = 0;             // read position in program_code
lzw_enc_state lzw;                   // ~16 MiB: static, never on the stack
serial_port* port_handle = nullptr;  // the open port, used by the XMODEM sender

// Input binding of the encoder (its output binding, lzw_writebuf, is
// declared in lzw-enc.h); both are defined below.
int32_t lzw_readbuf(uint8_t* dst, int32_t len, int32_t total);

namespace {

constexpr int32_t kHeaderSize = 24;
constexpr int32_t kChunkSize = 256;
// Sizes and offsets are signed 32-bit; the upload image of a file this big
// would not fit them anyway.
constexpr int64_t kMaxFileSize = INT32_MAX;

// The tool's line: 115200 baud, 8N1; a one-byte read waits at most 60 ms.
constexpr serial_line kLine = {115200, 50, 10, 50, 10, 50};

int32_t compressed_capacity = 0;  // bytes allocated at compressed_code
bool compressed_lost = false;     // a block could not be stored: out of memory

// Prints the message (already formatted), flushes it and releases what the
// run holds; returns the failure status for main.
int fail() {
  std::fflush(stdout);
  if (port_handle != nullptr) {
    serial_close(port_handle);
    port_handle = nullptr;
  }
  std::free(program_code);
  std::free(compressed_code);
  program_code = nullptr;
  compressed_code = nullptr;
  return 1;
}

// Size of an open file, or -1 when it cannot be told.
int64_t file_size(FILE* f) {
#ifdef _WIN32
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  int64_t size = _ftelli64(f);
  if (_fseeki64(f, 0, SEEK_SET) != 0) return -1;
#else
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  int64_t size = ftello(f);
  if (fseeko(f, 0, SEEK_SET) != 0) return -1;
#endif
  return size;
}

bool is_regular(FILE* f) {
#ifdef _WIN32
  struct _stat64 st;
  return _fstat64(_fileno(f), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat st;
  return fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

// The packet counter moves with "\r" and no newline: on a terminal it must
// reach the screen as each packet goes.
void progress_unbuffered() {
#ifdef _WIN32
  if (_isatty(_fileno(stdout))) std::setvbuf(stdout, nullptr, _IONBF, 0);
#else
  if (isatty(fileno(stdout))) std::setvbuf(stdout, nullptr, _IONBF, 0);
#endif
}

void put_le32(uint8_t* dst, uint32_t v) {
  dst[0] = static_cast<uint8_t>(v);
  dst[1] = static_cast<uint8_t>(v >> 8);
  dst[2] = static_cast<uint8_t>(v >> 16);
  dst[3] = static_cast<uint8_t>(v >> 24);
}

// Reads the whole program file into program_code; 0 on success, else the
// failure status after its message.
int load_program(const char* path, int32_t* size_out) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr || !is_regular(f)) {
    if (f != nullptr) std::fclose(f);
    std::printf("Cant open %s \n", path);
    return fail();
  }
  int64_t size = file_size(f);
  if (size < 0) {
    std::fclose(f);
    std::printf("Cant open %s \n", path);
    return fail();
  }
  if (size == 0) {
    std::fclose(f);
    std::printf("File is empty nothing to send ! \n");
    return fail();
  }
  if (size > kMaxFileSize) {
    std::fclose(f);
    std::printf("File is too large to send (2 GiB at most) ! \n");
    return fail();
  }
  program_code = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
  if (program_code == nullptr) {
    std::fclose(f);
    std::printf("Cant malloc memory for program ! \n");
    return fail();
  }
  size_t got = std::fread(program_code, 1, static_cast<size_t>(size), f);
  std::fclose(f);
  if (got != static_cast<size_t>(size)) {
    std::printf("Cant read all of %s (0x%" PRIx64 " of 0x%" PRIx64 " bytes) \n", path,
                static_cast<uint64_t>(got), static_cast<uint64_t>(size));
    return fail();
  }
  *size_out = static_cast<int32_t>(size);
  return 0;
}

// Compresses program_code into compressed_code behind a zeroed header;
// 0 on success, else the failure status after its message.
int compress_program(int32_t size) {
  compressed_capacity = size <= kMaxFileSize - kHeaderSize ? size + kHeaderSize : INT32_MAX;
  compressed_code = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(compressed_capacity), 1));
  if (compressed_code == nullptr) {
    std::printf("Cant malloc memory for compressed program ! \n");
    return fail();
  }
  compressed_offset = kHeaderSize;
  file_offset = 0;
  compressed_lost = false;

  lzw_enc_init(&lzw);
  uint8_t chunk[kChunkSize];
  for (;;) {
    int32_t n = lzw_readbuf(chunk, kChunkSize, size);
    if (n <= 0) break;
    lzw_encode(&lzw, chunk, static_cast<uint32_t>(n));
  }
  lzw_enc_end(&lzw);
  if (compressed_lost) {
    std::printf("Cant malloc memory for compressed program ! \n");
    return fail();
  }
  return 0;
}

// Opens and configures the port; 0 on success, else the failure status
// after its message.
int open_port(const char* name) {
  switch (serial_open(name, &port_handle)) {
    case SERIAL_OK: break;
    case SERIAL_ERR_NAME:
      port_handle = nullptr;
      std::printf("Error com port name needs to be between COM1 and COM255 \n");
      return fail();
    default:
      port_handle = nullptr;
      std::printf("Couldnt open handle to com port %s\n", name);
      return fail();
  }
  switch (serial_configure(port_handle, &kLine)) {
    case SERIAL_OK: return 0;
    case SERIAL_ERR_GET_CONFIG: std::printf("Couldnt get config of com port %s", name); break;
    case SERIAL_ERR_GET_TIMEOUTS: std::printf("Couldnt get timing config of com port %s", name); break;
    case SERIAL_ERR_SET_TIMEOUTS: std::printf("Couldnt set timing config of com port %s", name); break;
    default: std::printf("Couldnt set config of com port %s", name); break;
  }
  return fail();
}

}  // namespace

// Input binding of the encoder: the next at most len bytes of the program,
// never beyond total bytes in all.
int32_t lzw_readbuf(uint8_t* dst, int32_t len, int32_t total) {
  if (file_offset > total - len) len = total - file_offset;
  if (len <= 0) return 0;
  std::memcpy(dst, program_code + file_offset, static_cast<size_t>(len));
  file_offset += len;
  return len;
}

// Output binding of the encoder: appends a block of the code stream to the
// upload image. Input that does not compress can make the stream longer
// than the file, so the image grows as needed.
void lzw_writebuf(const uint8_t* src, uint32_t len) {
  if (len == 0 || compressed_lost) return;
  if (len > static_cast<uint32_t>(INT32_MAX - compressed_offset)) {
    compressed_lost = true;
    return;
  }
  int32_t need = compressed_offset + static_cast<int32_t>(len);
  if (need > compressed_capacity) {
    int64_t grown = static_cast<int64_t>(compressed_capacity) * 2;
    if (grown < need) grown = need;
    if (grown > INT32_MAX) grown = INT32_MAX;
    auto* p = static_cast<uint8_t*>(std::realloc(compressed_code, static_cast<size_t>(grown)));
    if (p == nullptr) {
      compressed_lost = true;
      return;
    }
    compressed_code = p;
    compressed_capacity = static_cast<int32_t>(grown);
  }
  std::memcpy(compressed_code + compressed_offset, src, len);
  compressed_offset = need;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("Error wrong number of arguments passed \n");
    std::printf("ostrel COM1 program.dol");
    std::fflush(stdout);
    return 1;
  }
  progress_unbuffered();
  const char* port_name = argv[1];
  const char* path = argv[2];

  int32_t size = 0;
  if (load_program(path, &size) != 0) return 1;
  if (compress_program(size) != 0) return 1;

  uint8_t header[kHeaderSize] = {};
  put_le32(header, static_cast<uint32_t>(size));
  put_le32(header + 4, static_cast<uint32_t>(compressed_offset));
  char* name_field = reinterpret_cast<char*>(header + 8);
  if (!names_name_field(path, name_field)) {
    std::printf("Cant find the file type ! \n");
    return fail();
  }
  std::memcpy(compressed_code, header, kHeaderSize);

  std::printf("Sending file:    %s \n", name_field);
  std::printf("Original size:   0x%x \n", static_cast<unsigned>(size));
  std::printf("Compressed size: 0x%x \n", static_cast<unsigned>(compressed_offset));
  std::fflush(stdout);

  if (!names_port_ok(port_name)) {
    std::printf("Error com port name needs to be between COM1 and COM255 \n");
    return fail();
  }
  if (open_port(port_name) != 0) return 1;

  int result = xmodem_transfer(compressed_code, static_cast<uint32_t>(compressed_offset));
  std::fflush(stdout);

  serial_status closed = serial_close(port_handle);
  port_handle = nullptr;
  if (closed != SERIAL_OK) {
    std::printf("Couldnt close com port %s", port_name);
    return fail();
  }
  std::free(program_code);
  std::free(compressed_code);
  program_code = nullptr;
  compressed_code = nullptr;
  return result;
}
