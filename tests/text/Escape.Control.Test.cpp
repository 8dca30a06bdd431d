#include "text/Escape.Control.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(EscapeControlCharacters, OrdinaryTextStaysByteForByte) {
  for (const std::string& Text :
       {""s, "/mnt/usb stick/"s, "/home/사용자/시험 폴더/"s, "C:\\"s, "D:\\로그\\a.txt"s,
        "emoji \xF0\x9F\x98\x80 and ~!@#$%^&*()"s, "Samsung SSD 870 EVO 1TB"s}) {
    EXPECT_EQ(EscapeControlCharacters(Text), Text);
  }
}

TEST(EscapeControlCharacters, ControlCharactersAndBrokenUtf8BecomeCStyleEscapes) {
  const struct {
    std::string Text;
    const char* Shown;
  } Cases[] = {
      {"/mnt/a\nb/", "/mnt/a\\nb/"},
      {"\t\r\a\b\v\f", "\\t\\r\\a\\b\\v\\f"},
      {"x\x1b[31my", "x\\x1b[31my"},
      {"nul\0end"s, "nul\\x00end"},
      {"del\x7f", "del\\x7f"},
      {"c1 \xC2\x85 \xC2\x9B", "c1 \\u0085 \\u009b"},                  // NEL and CSI
      {"line\xE2\x80\xA8para\xE2\x80\xA9", "line\\u2028para\\u2029"},  // separators
      {"euc-kr \xC7\xD1", "euc-kr \\xc7\\xd1"},  // not UTF-8: each byte, so the line stays UTF-8
      {"cut \xED\x95", "cut \\xed\\x95"},        // a sequence cut short
      {"overlong \xC0\xAF", "overlong \\xc0\\xaf"},
      {"surrogate \xED\xA0\x80", "surrogate \\xed\\xa0\\x80"},
      {"한\n글", "한\\n글"},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(EscapeControlCharacters(Case.Text), Case.Shown) << Case.Shown;
  }
}

TEST(EscapeResultText, NamesThatAreNotUtf8AreEscapedReversibly) {
  struct TCase {
    std::string Name;
    std::string Kept;
  };
  const TCase Cases[] = {
      {"/mnt/usb/", "/mnt/usb/"},
      {"/mnt/한글 폴더\\sub/", "/mnt/한글 폴더\\sub/"},
      {"/mnt/\x1b[2J/", "/mnt/\x1b[2J/"},  // control characters are JSON's own business
      {"/mnt/\xff\xfe/", "/mnt/\\xff\\xfe/"},
      {"/mnt/caf\xc3/", "/mnt/caf\\xc3/"},     // a cut-off sequence
      {"/mnt/\xc0\xaf/", "/mnt/\\xc0\\xaf/"},  // an overlong "/"
      // A name that only looks escaped is escaped itself, so that it reads back as it was.
      {"/mnt/\\xff/", "/mnt/\\x5cxff/"},
      {"C:\\xbox\\\xff", "C:\\x5cxbox\\x5c\\xff"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Kept);
    EXPECT_EQ(EscapeResultText(Case.Name), Case.Kept);
    EXPECT_EQ(UnescapeResultText(EscapeResultText(Case.Name)), Case.Name);
  }
}

}  // namespace
