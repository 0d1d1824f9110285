// The demo against a recording fake of the console libraries: the order of
// its calls and of its stores into the sound object, the failure halts, the
// row-to-direction table and the conversions it makes on the way.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "fake/fake_console.h"

int tamsel_main();  // the demo's main, renamed for this test

namespace {

using Log = std::vector<std::string>;

const std::string kMuted = "0xFC780000";
const std::string kZero = "0x00000000";

// Runs the demo in a child process until its frame budget is spent and
// returns what the fake logged.
Log run_demo(FakeScript script) {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  script.log_path = testing::TempDir() + "tamsel_fake_" + name + ".log";
  std::remove(script.log_path.c_str());
  fake_script = script;
  EXPECT_EXIT(
      {
        // The screen text is checked elsewhere; keep the test's output readable.
        if (std::freopen("/dev/null", "w", stdout) == nullptr) std::_Exit(3);
        tamsel_main();
      },
      testing::ExitedWithCode(0), "");
  Log log;
  std::ifstream in(script.log_path);
  for (std::string line; std::getline(in, line);) log.push_back(line);
  std::remove(script.log_path.c_str());
  return log;
}

std::size_t find(const Log& log, const std::string& line, std::size_t from = 0) {
  for (std::size_t i = from; i < log.size(); ++i)
    if (log[i] == line) return i;
  return log.size();
}

Log slice(const Log& log, std::size_t from, std::size_t count) {
  if (from >= log.size()) return {};
  return Log(log.begin() + static_cast<long>(from), log.begin() + static_cast<long>(std::min(log.size(), from + count)));
}

// The lines after `from`, which after a failure may only be idle vsyncs.
void expect_only_vsyncs_after(const Log& log, std::size_t from, std::size_t frames) {
  Log rest = slice(log, from + 1, log.size());
  EXPECT_EQ(rest, Log(frames, "video_waitVSync"));
}

const Log kStartUp = {
    "system_init",
    "mixer_init",
    "art_init",
    "mini_ax_reg_callback",
    "device_sd_init",
    "mini_ax_read_audio sd_gecko:/examples/audio/art/alright.wav 0",
    "mini_ax_init",
    "art_service_snds",  // the callback: these two calls and nothing else
    "mixer_update_settings",
    "mini_ax_load_sample data header",
    "art_init_3D",
    "art_init_volume",
    "art_add_articulator 3D",
    "art_add_articulator volume",
    "store h_angle=" + kZero,
    "store v_angle=" + kZero,
    "store dist=" + kZero,
    "store closing_speed=" + kZero,
    "store attenuation=" + kMuted,
    "mini_ax_get_voice 3",
    "store vpb=voice",
    "mini_ax_get_sample_rate 3",
    "store sample_rate=0x46FA0000",
    "art_add_sound chain=1,2",
    "mini_ax_set_mode 1",
};

TEST(TamselStartUp, CallsAndStoresInOrder) {
  FakeScript s;
  s.frames = 0;
  EXPECT_EQ(run_demo(s), kStartUp);
}

struct RateCase {
  u32 rate;
  const char* bits;
};
class TamselSampleRate : public testing::TestWithParam<RateCase> {};

TEST_P(TamselSampleRate, ConvertedAsUnsignedToNearestF32) {
  FakeScript s;
  s.sample_rate = GetParam().rate;
  Log log = run_demo(s);
  EXPECT_NE(find(log, std::string("store sample_rate=") + GetParam().bits), log.size());
}

INSTANTIATE_TEST_SUITE_P(Rates, TamselSampleRate,
                         testing::Values(RateCase{32000, "0x46FA0000"}, RateCase{16777217, "0x4B800000"},
                                         RateCase{2147483648u, "0x4F000000"}, RateCase{4294967295u, "0x4F800000"}));

struct SdCase {
  s32 result;
  bool mounted;
};
class TamselSdResult : public testing::TestWithParam<SdCase> {};

TEST_P(TamselSdResult, OnlyTheLowByteCounts) {
  FakeScript s;
  s.sd_result = GetParam().result;
  s.frames = 3;
  Log log = run_demo(s);
  std::size_t at = find(log, "device_sd_init");
  ASSERT_LT(at, log.size());
  if (GetParam().mounted) {
    EXPECT_EQ(slice(log, at + 1, 1), Log{"mini_ax_read_audio sd_gecko:/examples/audio/art/alright.wav 0"});
  } else {
    expect_only_vsyncs_after(log, at, 3);
  }
}

INSTANTIATE_TEST_SUITE_P(Results, TamselSdResult,
                         testing::Values(SdCase{1, true}, SdCase{257, true}, SdCase{-255, true}, SdCase{0, false},
                                         SdCase{2, false}, SdCase{-1, false}, SdCase{256, false}));

TEST(TamselFailure, ReadFailureHaltsBeforeTheAudioStarts) {
  FakeScript s;
  s.read_fails = true;
  s.frames = 3;
  Log log = run_demo(s);
  expect_only_vsyncs_after(log, find(log, "mini_ax_read_audio sd_gecko:/examples/audio/art/alright.wav 0"), 3);
}

TEST(TamselFailure, SoundIdMinusOneHaltsBeforeSetUp) {
  FakeScript s;
  s.sound_id = -1;
  s.frames = 3;
  Log log = run_demo(s);
  expect_only_vsyncs_after(log, find(log, "mini_ax_load_sample data header"), 3);
}

TEST(TamselFailure, OtherSoundIdsAreUsedAsTheyCome) {
  FakeScript s;
  s.sound_id = -2;
  s.frames = 0;
  Log log = run_demo(s);
  EXPECT_NE(find(log, "mini_ax_get_voice -2"), log.size());
  EXPECT_EQ(log.back(), "mini_ax_set_mode 1");
}

struct PlayCase {
  const char* name;
  std::vector<u16> pads;  // the last word carries A
  const char* h_angle;
  const char* v_angle;
};
class TamselPlayback : public testing::TestWithParam<PlayCase> {};

// From the frame whose word has A: the stores in their fixed order, the play
// call, the pause, the mute, then the redraw's first vsync.
TEST_P(TamselPlayback, StoresDirectionThenUnmutesPlaysPausesMutes) {
  const PlayCase& c = GetParam();
  FakeScript s;
  s.pads = c.pads;
  s.frames = c.pads.size() + 2;
  Log log = run_demo(s);
  std::size_t a_frame = 0;
  for (std::size_t n = 0; n < c.pads.size(); ++n) a_frame = find(log, "pad_buttons_down 0", a_frame) + 1;
  const Log expected = {
      std::string("store h_angle=") + c.h_angle,
      std::string("store v_angle=") + c.v_angle,
      "store dist=" + kZero,
      "store closing_speed=" + kZero,
      "store update=0x00000001",
      "store attenuation=" + kZero,
      "mini_ax_play_sample 3 0 64 0",
      "mdelay 1000",
      "store attenuation=" + kMuted,
      "video_waitVSync",
      "pad_scan_pads",
      "pad_buttons_down 0",
      "video_waitVSync",
      "pad_scan_pads",
      "pad_buttons_down 0",
  };
  EXPECT_EQ(slice(log, a_frame, log.size()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TamselPlayback,
    testing::Values(PlayCase{"Centre", {0x0100}, "0x00000000", "0x00000000"},
                    PlayCase{"Right", {0x0004, 0x0100}, "0x3FC90FF9", "0x00000000"},
                    PlayCase{"Left", {0x0004, 0x0004, 0x0100}, "0x4096CBE6", "0x00000000"},
                    PlayCase{"Surround", {0x0004, 0x0004, 0x0004, 0x0100}, "0x40490FD0", "0x40490FD0"},
                    PlayCase{"DownPastTheLastRow", {0x0004, 0x0004, 0x0004, 0x0004, 0x0004, 0x0100}, "0x40490FD0",
                             "0x40490FD0"},
                    PlayCase{"UpOnTheFirstRow", {0x0008, 0x0108}, "0x00000000", "0x00000000"},
                    PlayCase{"AWithDownMovesFirst", {0x0104}, "0x3FC90FF9", "0x00000000"},
                    PlayCase{"AWithUpMovesFirst", {0x0004, 0x0004, 0x0108}, "0x3FC90FF9", "0x00000000"},
                    PlayCase{"DownAndUpOnTheLastRow", {0x0004, 0x0004, 0x0004, 0x000C, 0x0100}, "0x4096CBE6",
                             "0x00000000"},
                    PlayCase{"DownAndUpOnTheFirstRow", {0x000C, 0x0100}, "0x00000000", "0x00000000"},
                    PlayCase{"DownAndUpInBetween", {0x0004, 0x000C, 0x0100}, "0x3FC90FF9", "0x00000000"}),
    [](const testing::TestParamInfo<PlayCase>& p) { return p.param.name; });

// After a playback the cursor is back on "Centre", and the angles of the last
// choice stay in the sound object until A is pressed again.
TEST(TamselPlayback, RedrawKeepsAnglesAndPutsTheCursorOnCentre) {
  FakeScript s;
  s.pads = {0x0004, 0x0004, 0x0004, 0x0100, 0x0000, 0x0000, 0x0100};
  s.frames = s.pads.size();
  Log log = run_demo(s);
  std::size_t first = find(log, "mini_ax_play_sample 3 0 64 0");
  std::size_t second = find(log, "mini_ax_play_sample 3 0 64 0", first + 1);
  ASSERT_LT(second, log.size());
  std::size_t stores = 0;
  for (std::size_t i = first + 1; i < second; ++i)
    if (log[i].rfind("store ", 0) == 0) ++stores;
  EXPECT_EQ(stores, 1u + 6u);  // the mute, then the six stores of the second playback
  EXPECT_EQ(slice(log, second - 6, 2), (Log{"store h_angle=" + kZero, "store v_angle=" + kZero}));
}

}  // namespace
