#include "formats/filenames.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(FileNames, EveryNameMapsBackToItsBytes) {
  const struct {
    QByteArray native;
    const char* shown;  // UTF-8
    bool keptBytes;
  } cases[] = {
      {"gato.bmp", "gato.bmp", false},
      {"a\xC3\xB1o.bmp", "año.bmp", false},              // UTF-8
      {"a\xF1o.bmp", "año.bmp", true},                   // Latin-1
      {"\xE9t\xE9 \xC3\xA9t\xC3\xA9", "été été", true},  // both in one name
      {"\xF0\x9F\x90\xB1.gif", "\xF0\x9F\x90\xB1.gif", false},
      {"\xC0\xAF.jpg", "\xC3\x80\xC2\xAF.jpg", true},                  // overlong "/"
      {"\xED\xB2\x80.jpg", "\xC3\xAD\xC2\xB2\xC2\x80.jpg", true},      // an encoded surrogate
      {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80", true},  // beyond U+10FFFF
      {"fin\xE2\x82", "fin\xC3\xA2\xC2\x82", true},                    // cut short
  };
  for (const auto& c : cases) {
    const QString name = DecodeFileName(c.native);
    EXPECT_EQ(EncodeFileName(name), c.native) << c.shown;
    EXPECT_EQ(HasKeptBytes(name), c.keptBytes) << c.shown;
    EXPECT_EQ(DisplayFileName(name).toStdString(), c.shown);
  }
}
