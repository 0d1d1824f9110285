// pty-line: a pseudo-terminal whose slave side plays the console's serial
// port. The loader keeps the master and also holds the slave open (raw, so
// nothing is echoed or translated and the line survives senders that come
// and go); a sender opens the slave by its path or by a symlink to it.
// Failure: create returns false with one line of text in err.
#pragma once
#include <string>

#include "line.h"

class PtyLine : public Line {
 public:
  ~PtyLine() override;
  // Opens the pair; link, when not empty, becomes a symlink to the slave
  // (an existing symlink there is replaced, anything else is refused).
  bool create(const std::string& link, std::string& err);
  const std::string& slave_path() const { return slave_path_; }
  int read(uint8_t* buf, size_t cap, int timeout_ms, bool* opened) override;
  bool write(const uint8_t* buf, size_t n) override;
  void drain(int timeout_ms) override;

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
  std::string link_;
};
