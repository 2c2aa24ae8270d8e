// Member text through a loaded code page table: characters above U+00FF.
#include <gtest/gtest.h>

#include "XmitTestUtil.h"
#include "translate/VTCodePages.h"

using namespace vttest;

namespace {

// The bytes of the member's single line as a translated text file holds them.
std::string FileLine(TVTXMIParser& p) {
  std::string line;
  p.WriteMemberLines(L"M", [&](const uint8_t* b, size_t n) { line.assign(reinterpret_cast<const char*>(b), n); });
  return line;
}

std::string Ansi(wchar_t c) { return vtplatform::ToAnsi(std::wstring(1, c)); }

}  // namespace

TEST(MemberTranslation, CharactersAboveLatin1) {
  // C1 "A", 9F the euro in 1141 (and FF in the built-in table), B9 a Cyrillic letter in 1025.
  const Bytes rec = {0xC1, 0x9F, 0xB9, 0xFF};
  const Bytes data = TXmitBuilder().PDS(Library(0x9000, 4, {Member("M", BlockFixed({rec}, 4, 4))}));
  const struct {
    int32_t codepage;  // 0: the built-in table
    std::string file;
    std::wstring unicodeView;
  } cases[] = {
      // The built-in table: the low byte of each character, as ever. Its control character
      // U+009F (host FF) stays that character in a Unicode view, not the ANSI letter 9F.
      {0, "A\xA4\xBE\x9F", vtplatform::FromAnsi("A\xA4\xBE") + L"\u009F"},
      // Above U+00FF: the ANSI code page's byte for the character, or its replacement
      // (the euro exists in Windows-1252, Cyrillic letters do not); a Unicode view keeps it.
      {1141, "A" + Ansi(0x20AC) + "\xBE\x9F", L"A\u20AC" + vtplatform::FromAnsi("\xBE") + L"\u009F"},
      {1025, "A" + Ansi(0x043F) + Ansi(0x0410) + "\x9F", L"A\u043F\u0410\u009F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codepage);
    TTempXmit f(data);
    TVTXMIParser p;
    if (c.codepage) {
      ASSERT_TRUE(LoadShippedTable(p.XlateS(), c.codepage));
    }
    p.LoadXMIFile(f.Path());
    EXPECT_EQ(FileLine(p), c.file);
    TVTStringList sl;
    p.GetMemberData(L"M", sl, false);
    ASSERT_EQ(sl.Count(), 1u);
    EXPECT_EQ(sl[0], vtplatform::FromAnsi(c.file));
    p.SetUnicodeText(true);
    p.GetMemberData(L"M", sl, false);
    ASSERT_EQ(sl.Count(), 1u);
    EXPECT_EQ(sl[0], c.unicodeView);
    // A table loaded after the file takes effect at once.
    p.XlateS().InitializeMap();
    EXPECT_EQ(FileLine(p), "A\xA4\xBE\x9F");
  }
  EXPECT_EQ(Ansi(0x20AC), vtplatform::AnsiCodePage() == 1252 ? "\x80" : Ansi(0x20AC));
  EXPECT_EQ(Ansi(0x0410), vtplatform::AnsiCodePage() == 1252 ? "?" : Ansi(0x0410));
}
