// loadersim: a simulated console loader for trying the upload tool without
// a console. It creates a pseudo-terminal, prints the path of its slave side
// (the "serial port" to give the uploader), receives one XMODEM upload,
// checks and decodes it, writes the program it got and prints one summary
// line. Exit status 0 only when the program arrived intact.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <string>
#include <unistd.h>

#include "pty-line.h"
#include "receiver.h"
#include "upload-check.h"

namespace {

const char kUsage[] =
    "usage: loadersim [options]\n"
    "  --link PATH          also reach the port through the symlink PATH\n"
    "  --out FILE           write the program received to FILE\n"
    "  --save-upload FILE   write the upload image received (header and code stream)\n"
    "                       when the transfer ended, even if the checks failed\n"
    "  --checksum           ask for checksum blocks (NAK) instead of CRC ('C')\n"
    "  --ask-interval MS    time between requests (default 1000)\n"
    "  --wait SEC           how long to ask for a sender (default 120)\n"
    "  --timeout SEC        silence that ends a transfer (default 10)\n"
    "faults, blocks counted from 1:\n"
    "  --nak-block N[:K]    NAK block N K times (default once), then ACK it\n"
    "  --cancel-block N     answer block N with CAN CAN\n"
    "  --cancel-eot         answer EOT with CAN CAN\n"
    "  --silent-from N      answer nothing from block N on\n"
    "  --vanish-block N     close the port at once on block N (a pulled cable)\n"
    "  --never-ask          never ask for the transfer\n"
    "  --no-eot-ack         answer every EOT with NAK\n"
    "  --corrupt-reply N    answer block N once with a garbled ACK\n"
    "  --damage-block N     flip one bit of block N once as it arrives\n";

char g_link[4096];  // removed on SIGINT/SIGTERM

void on_signal(int sig) {
  if (g_link[0] != '\0') unlink(g_link);
  _exit(128 + sig);
}

bool parse_u32(const char* s, uint32_t& out) {
  char* end = nullptr;
  unsigned long v = std::strtoul(s, &end, 10);
  if (end == s || *end != '\0' || v > 0xFFFFFFFFul) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

bool parse_seconds_ms(const char* s, int& out_ms) {
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (end == s || *end != '\0' || !(v >= 0) || v > 86400) return false;
  out_ms = static_cast<int>(v * 1000);
  return true;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  enum {
    kLink = 256, kOut, kSaveUpload, kChecksum, kAskInterval, kWait, kTimeout, kNakBlock, kCancelBlock,
    kCancelEot, kSilentFrom, kVanishBlock, kNeverAsk, kNoEotAck, kCorruptReply, kDamageBlock, kHelp
  };
  static const option longopts[] = {
      {"link", required_argument, nullptr, kLink},
      {"out", required_argument, nullptr, kOut},
      {"save-upload", required_argument, nullptr, kSaveUpload},
      {"checksum", no_argument, nullptr, kChecksum},
      {"ask-interval", required_argument, nullptr, kAskInterval},
      {"wait", required_argument, nullptr, kWait},
      {"timeout", required_argument, nullptr, kTimeout},
      {"nak-block", required_argument, nullptr, kNakBlock},
      {"cancel-block", required_argument, nullptr, kCancelBlock},
      {"cancel-eot", no_argument, nullptr, kCancelEot},
      {"silent-from", required_argument, nullptr, kSilentFrom},
      {"vanish-block", required_argument, nullptr, kVanishBlock},
      {"never-ask", no_argument, nullptr, kNeverAsk},
      {"no-eot-ack", no_argument, nullptr, kNoEotAck},
      {"corrupt-reply", required_argument, nullptr, kCorruptReply},
      {"damage-block", required_argument, nullptr, kDamageBlock},
      {"help", no_argument, nullptr, kHelp},
      {nullptr, 0, nullptr, 0}};

  rx_options opt;
  std::string link, out, save_upload;
  int ch;
  while ((ch = getopt_long(argc, argv, "", longopts, nullptr)) != -1) {
    bool ok = true;
    uint32_t v = 0;
    switch (ch) {
      case kLink: link = optarg; break;
      case kOut: out = optarg; break;
      case kSaveUpload: save_upload = optarg; break;
      case kChecksum: opt.checksum = true; break;
      case kAskInterval:
        ok = parse_u32(optarg, v) && v > 0 && v <= 60000;
        opt.ask_interval_ms = static_cast<int>(v);
        break;
      case kWait: ok = parse_seconds_ms(optarg, opt.wait_ms); break;
      case kTimeout: ok = parse_seconds_ms(optarg, opt.timeout_ms); break;
      case kNakBlock: {
        std::string a = optarg;
        size_t colon = a.find(':');
        ok = parse_u32(a.substr(0, colon).c_str(), opt.nak_block) && opt.nak_block > 0;
        if (ok && colon != std::string::npos) ok = parse_u32(a.c_str() + colon + 1, opt.nak_times);
        break;
      }
      case kCancelBlock: ok = parse_u32(optarg, opt.cancel_block) && opt.cancel_block > 0; break;
      case kCancelEot: opt.cancel_eot = true; break;
      case kSilentFrom: ok = parse_u32(optarg, opt.silent_from) && opt.silent_from > 0; break;
      case kVanishBlock: ok = parse_u32(optarg, opt.vanish_block) && opt.vanish_block > 0; break;
      case kNeverAsk: opt.never_ask = true; break;
      case kNoEotAck: opt.no_eot_ack = true; break;
      case kCorruptReply: ok = parse_u32(optarg, opt.corrupt_reply) && opt.corrupt_reply > 0; break;
      case kDamageBlock: ok = parse_u32(optarg, opt.damage_block) && opt.damage_block > 0; break;
      case kHelp: std::fputs(kUsage, stdout); return 0;
      default: ok = false; break;
    }
    if (!ok) {
      std::fprintf(stderr, "loadersim: bad option %s\n%s", argv[optind - 1], kUsage);
      return 2;
    }
  }
  if (optind < argc) {
    std::fprintf(stderr, "loadersim: unexpected argument %s\n%s", argv[optind], kUsage);
    return 2;
  }
  if (link.size() >= sizeof g_link) {
    std::fprintf(stderr, "loadersim: link path too long\n");
    return 2;
  }

  PtyLine line;
  std::string err;
  if (!line.create(link, err)) {
    std::fprintf(stderr, "loadersim: %s\n", err.c_str());
    return 2;
  }
  std::snprintf(g_link, sizeof g_link, "%s", link.c_str());
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  std::signal(SIGPIPE, SIG_IGN);

  if (link.empty()) {
    std::printf("loadersim: port %s\n", line.slave_path().c_str());
  } else {
    std::printf("loadersim: port %s (link %s)\n", line.slave_path().c_str(), link.c_str());
  }
  std::fflush(stdout);

  rx_result rx = rx_receive(line, opt);
  upload_info info;
  std::string why = rx.error;
  bool ok = rx.complete && upload_check(rx.payload, info, why);
  if (!rx.complete && rx.payload.size() >= 24) {
    std::string ignored;
    upload_check(rx.payload, info, ignored);  // for the summary's name and sizes
  }
  if (ok && !out.empty() && !write_file(out, info.program)) {
    ok = false;
    why = "cannot write " + out;
  }

  // Saved whenever the transfer ended and a header arrived, even when the
  // checks failed: a look at what came is what one wants then.
  if (rx.complete && info.have_header && !save_upload.empty()) {
    size_t n = info.upload_length < rx.payload.size() ? info.upload_length : rx.payload.size();
    std::vector<uint8_t> image(rx.payload.begin(), rx.payload.begin() + static_cast<long>(n));
    if (!write_file(save_upload, image)) {
      ok = false;
      why = "cannot write " + save_upload;
    }
  }

  std::string name = info.have_header ? "\"" + info.name + "\"" : "?";
  std::printf(
      "loadersim: %s%s%s: %s size 0x%x upload 0x%x, %u blocks, %u retries, %u duplicates, "
      "%llu bytes in, %llu out\n",
      ok ? "OK" : "FAILED", ok ? "" : " - ", ok ? "" : why.c_str(), name.c_str(), info.file_size,
      info.upload_length, rx.blocks, rx.retries, rx.duplicates,
      static_cast<unsigned long long>(rx.bytes_in), static_cast<unsigned long long>(rx.bytes_out));
  std::fflush(stdout);
  return ok ? 0 : 1;
}
