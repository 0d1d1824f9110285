// The name field of the upload header and the port-name check.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "names.h"

namespace {

struct FieldCase {
  const char* path;
  const char* field;
};

class NameFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(NameFieldTest, KeepsNameBeforeDotAndExtension) {
  const FieldCase& c = GetParam();
  char buf[NAMES_FIELD_SIZE + 1];
  std::memset(buf, 0x5A, sizeof buf);
  ASSERT_TRUE(names_name_field(c.path, buf));
  EXPECT_STREQ(buf, c.field);
  for (size_t i = std::strlen(c.field); i < NAMES_FIELD_SIZE; ++i) EXPECT_EQ(buf[i], 0) << "at " << i;
  EXPECT_EQ(buf[NAMES_FIELD_SIZE], 0x5A) << "wrote past the field";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NameFieldTest,
    ::testing::Values(
        // name.ext: at most the last 11 characters before the dot.
        FieldCase{"program.dol", "program.dol"},
        FieldCase{"averyveryverylongname.dol", "erylongname.dol"},
        FieldCase{"C:\\dev\\p.dol", "C:\\dev\\p.dol"},
        FieldCase{"/home/user/games/x.dol", "ser/games/x.dol"},
        FieldCase{"x.dol", "x.dol"},
        // The first dot elsewhere: the count is taken from the length, but
        // never reaches before the start of the path.
        FieldCase{"program.z", "ogram.z"},
        FieldCase{"prog.tar.gz", "prog.tar"},
        FieldCase{"dir.d/prog.dol", "dir.d/p"},
        FieldCase{"../game.dol", "../g"},
        FieldCase{".dol", ".dol"},
        FieldCase{"abc.", "."},
        // Shorter than four characters.
        FieldCase{"a.b", "a.b"},
        FieldCase{".x", ".x"},
        FieldCase{".", "."}));

TEST(NameField, PathWithoutDotIsRefusedAndFieldCleared) {
  char buf[NAMES_FIELD_SIZE];
  std::memset(buf, 0x5A, sizeof buf);
  EXPECT_FALSE(names_name_field("program", buf));
  EXPECT_FALSE(names_name_field("", buf));
  for (char ch : buf) EXPECT_EQ(ch, 0);
}

TEST(PortName, ComNamesUpToSixCharactersPass) {
  // What follows "COM" is not examined: "COM1/" passes and then fails to open.
  for (const char* ok : {"COM1", "COM255", "COMX", "COM", "COM999", "COM1/", "COM/x"}) {
    EXPECT_TRUE(names_port_ok(ok)) << ok;
  }
  for (const char* bad : {"com1", "COM1234", "", "CO", "LPT1", "XCOM1", "ttyS0"}) {
    EXPECT_FALSE(names_port_ok(bad)) << bad;
  }
}

TEST(PortName, DevicePathsPassOnlyWhereTheyCanBeOpened) {
  for (const char* path : {"/dev/ttyUSB0", "./port", "COM1/../../dev/x"}) {
#ifdef _WIN32
    EXPECT_FALSE(names_port_ok(path)) << path;
#else
    EXPECT_TRUE(names_port_ok(path)) << path;
#endif
  }
}

}  // namespace
