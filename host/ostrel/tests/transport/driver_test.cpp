// The real ostrel binary: usage, every failure it can meet before the port
// is up, the name field and sizes it prints, and its exit statuses. Uploads
// that reach a receiver are the end-to-end tests' (e2e.py).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Result {
  int status;  // exit status, or -1 when it did not exit normally
  std::string out;
};

// Runs ostrel with args in dir; stdout is captured, stdin is /dev/null.
Result run(const std::vector<std::string>& args, const std::string& dir) {
  int fds[2];
  if (pipe(fds) != 0) return {-1, "pipe failed"};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, 0);
    if (chdir(dir.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(OSTREL_BIN));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(OSTREL_BIN, argv.data());
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ostrel-driver-XXXXXX";  // no '.' in the directory name
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string write(const std::string& name, const std::string& content) {
    std::string path = dir_ + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr) << path;
    if (f != nullptr) {
      std::fwrite(content.data(), 1, content.size(), f);
      std::fclose(f);
    }
    return path;
  }
  std::string dir_;
};

const std::string kUsage = "Error wrong number of arguments passed \nostrel COM1 program.dol";
const std::string kPortRefused = "Error com port name needs to be between COM1 and COM255 \n";

std::string sizes(const std::string& name, const char* original, const char* compressed) {
  return "Sending file:    " + name + " \nOriginal size:   " + original +
         " \nCompressed size: " + compressed + " \n";
}

TEST_F(DriverTest, TooFewArgumentsPrintUsage) {
  for (auto args : {std::vector<std::string>{}, std::vector<std::string>{"COM1"}}) {
    Result r = run(args, dir_);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kUsage);
  }
}

TEST_F(DriverTest, UnopenableProgramFilesAreRefused) {
  mkdir((dir_ + "/sub.dir").c_str(), 0755);
  for (const char* path : {"missing.dol", "sub.dir"}) {
    Result r = run({"COM1", path}, dir_);
    EXPECT_EQ(r.status, 1) << path;
    EXPECT_EQ(r.out, std::string("Cant open ") + path + " \n");
  }
}

TEST_F(DriverTest, EmptyFileIsRefused) {
  write("empty.dol", "");
  Result r = run({"COM1", "empty.dol"}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "File is empty nothing to send ! \n");
}

TEST_F(DriverTest, FilesBeyondSignedThirtyTwoBitsAreRefusedBeforeReading) {
  // Sparse files: nothing is read or allocated for them.
  for (off_t size : {static_cast<off_t>(0x80000000LL), static_cast<off_t>(0x100000001LL)}) {
    std::string path = write("huge.dol", "");
    ASSERT_EQ(truncate(path.c_str(), size), 0);
    Result r = run({"COM1", "huge.dol"}, dir_);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "File is too large to send (2 GiB at most) ! \n");
  }
}

TEST_F(DriverTest, ShortReadIsRefused) {
  // Its size says a page; a read gives the few bytes of text it holds.
  const char* path = "/sys/kernel/mm/transparent_hugepage/enabled";
  struct stat st {};
  if (stat(path, &st) != 0 || st.st_size <= 100) GTEST_SKIP() << "no file whose read falls short";
  Result r = run({"COM1", path}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind(std::string("Cant read all of ") + path, 0), 0u) << r.out;
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line";
}

TEST_F(DriverTest, PathWithoutDotIsRefusedAfterCompression) {
  write("program", "A");
  Result r = run({"COM1", "program"}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Cant find the file type ! \n");
}

TEST_F(DriverTest, OneByteProgramGivesUploadOf25Bytes) {
  write("p.dol", "A");
  Result r = run({"com1", "p.dol"}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, sizes("p.dol", "0x1", "0x19") + kPortRefused);
}

TEST_F(DriverTest, NameFieldComesFromThePath) {
  mkdir((dir_ + "/v1.2").c_str(), 0755);
  struct Case {
    const char* path;
    const char* field;
  } cases[] = {{"program.dol", "program.dol"},
               {"averyveryverylongname.dol", "erylongname.dol"},
               {"C:\\dev\\p.dol", "C:\\dev\\p.dol"},
               {"v1.2/game.dol", "v1.2/g"}};
  for (const Case& c : cases) {
    write(c.path, "AB");
    Result r = run({"LPT1", c.path}, dir_);
    EXPECT_EQ(r.status, 1);
    // "AB": codes 65 (8 bits) and 66 (9 bits), three bytes behind the header.
    EXPECT_EQ(r.out, sizes(c.field, "0x2", "0x1b") + kPortRefused) << c.path;
  }
}

TEST_F(DriverTest, PortNamesAreCheckedAfterTheSizesArePrinted) {
  write("p.dol", "A");
  for (const char* port : {"com1", "COM1234", "ttyS0"}) {
    Result r = run({port, "p.dol"}, dir_);
    EXPECT_EQ(r.status, 1) << port;
    EXPECT_EQ(r.out, sizes("p.dol", "0x1", "0x19") + kPortRefused) << port;
  }
  // These pass the check and then fail to open.
  for (const char* port : {"COM255", "COMX", "COM0", "COM1/", "/dev/null", "/nonexistent/tty"}) {
    Result r = run({port, "p.dol"}, dir_);
    EXPECT_EQ(r.status, 1) << port;
    EXPECT_EQ(r.out, sizes("p.dol", "0x1", "0x19") + "Couldnt open handle to com port " + port + "\n");
  }
}

TEST_F(DriverTest, IncompressibleInputGrowsTheUploadImage) {
  // A byte stream without repeats: LZW makes it longer than the file.
  std::string data(256 * 1024, '\0');
  uint32_t x = 12345;
  for (char& c : data) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  write("noise.dol", data);
  Result r = run({"LPT1", "noise.dol"}, dir_);
  EXPECT_EQ(r.status, 1);
  unsigned original = 0, compressed = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str(), "Sending file:    noise.dol \nOriginal size:   0x%x \nCompressed size: 0x%x",
                        &original, &compressed),
            2)
      << r.out;
  EXPECT_EQ(original, data.size());
  EXPECT_GT(compressed, original + 24);
}

}  // namespace
