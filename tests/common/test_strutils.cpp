#include <gtest/gtest.h>

#include "common/VTMFUtils.h"
#include "common/VTStrUtils.h"

using namespace vtstr;

TEST(StrUtils, Padding) {
  EXPECT_EQ(PadRight(L"ABC", 8), L"ABC     ");
  EXPECT_EQ(PadRight(L"ABCDEFGHIJ", 8), L"ABCDEFGH");
  EXPECT_EQ(PadLeft(L"ABC", 5), L"  ABC");
  // The right end is cut, not the left.
  EXPECT_EQ(PadLeft(FormatThousands(1234567890123456LL), 15), L"1,234,567,890,1");
  EXPECT_EQ(PadRight(L"X", 0), L"");
  EXPECT_EQ(PadLeft(L"X", -3), L"");
}

TEST(StrUtils, Thousands) {
  const struct { int64_t n; const wchar_t* s; } cases[] = {
      {0, L"0"}, {999, L"999"}, {1000, L"1,000"}, {1234567, L"1,234,567"},
      {-123456, L"-,123,456"},  // the sign counts as a character of the integer part
      {-1234, L"-1,234"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatThousands(c.n), c.s) << c.n;
  EXPECT_EQ(InsertThousands(L"1234567.891"), L"1,234,567.891");
  EXPECT_EQ(InsertThousands(L"12.3456"), L"12.3456");
  EXPECT_EQ(InsertThousands(L""), L"");
}

TEST(StrUtils, ZeroPadAndBCD) {
  EXPECT_EQ(ZeroPad(5, 2), L"05");
  EXPECT_EQ(ZeroPad(123, 2), L"23");
  EXPECT_EQ(ZeroPad(7, 12), L"000000000007");
  EXPECT_EQ(BCDToInt(0x1432), 1432);
  EXPECT_EQ(BCDToInt(0x119032), 119032);
  EXPECT_EQ(BCDToInt(0), 0);
  EXPECT_EQ(BCDToInt(0x0F), 15);
  EXPECT_EQ(BCDToInt(0x1F), 25);  // invalid digits count as their value
}

TEST(StrUtils, OverlayExtensionNumeric) {
  EXPECT_EQ(CenterOverlay(L"----------", L"ABCD"), L"---ABCD---");
  EXPECT_EQ(CenterOverlay(L"--", L"ABCD"), L"ABCD");
  EXPECT_EQ(CenterOverlay(L"-----", L""), L"-----");
  EXPECT_EQ(StripExtension(L"A.B.C"), L"A.B");
  EXPECT_EQ(StripExtension(L"ABC"), L"ABC");
  EXPECT_FALSE(IsNumeric(L""));
  EXPECT_FALSE(IsNumeric(L"-5"));
  EXPECT_FALSE(IsNumeric(L"1 2"));
  EXPECT_TRUE(IsNumeric(L"007"));
}

TEST(ByteCursor, ReadsStayInside) {
  const uint8_t b[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
  vtmf::TVTByteCursor c(b, sizeof b);
  EXPECT_EQ(c.ReadBE16(), 0x1234u);
  EXPECT_EQ(c.ReadBE24(), 0x56789Au);
  EXPECT_THROW(c.ReadBE8(), vtmf::EVTRecordTooShort);
  vtmf::TVTByteCursor d(b, sizeof b);
  EXPECT_EQ(d.ReadBEValue(4), 0x12345678u);
  EXPECT_THROW(d.ReadBEValue(2), vtmf::EVTRecordTooShort);
  vtmf::TVTByteCursor e(b, sizeof b);
  EXPECT_EQ(e.ReadBEValue(5), 0u);  // longer than 4: skipped, value 0
  EXPECT_EQ(e.Pos(), 5u);
  EXPECT_THROW(e.Skip(1), vtmf::EVTRecordTooShort);
}
