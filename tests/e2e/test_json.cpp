// The tool's JSON writer and its ISO dates of packed ISPF values.
#include <gtest/gtest.h>

#include <string>

#include "JsonRead.h"
#include "cli/IsoDate.h"
#include "cli/Json.h"

namespace {

TEST(CliJson, QuotesEveryCharacterSafely) {
  struct TCase {
    std::wstring In;
    std::string Out;
  };
  const TCase cases[] = {
      {L"", "\"\""},
      {L"PLAIN 123 @#$", "\"PLAIN 123 @#$\""},
      {L"a\"b", "\"a\\\"b\""},
      {L"C:\\DIR", "\"C:\\\\DIR\""},
      {L"/", "\"/\""},
      {L"\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\""},
      {std::wstring(1, L'\0') + L"\x01\x1f", "\"\\u0000\\u0001\\u001f\""},
      {L"\x7f", "\"\\u007f\""},
      {L"caf\xe9", "\"caf\\u00e9\""},
      {L"\x20ac", "\"\\u20ac\""},
      {L"\xffff", "\"\\uffff\""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(JsonQuote(c.In), c.Out);
    // What it writes reads back as the same text.
    EXPECT_EQ(jsonread::Parse(JsonQuote(c.In)).String, c.In);
  }
  // A character beyond 16 bits, as a 32-bit wchar_t holds it: its surrogate pair.
  if (sizeof(wchar_t) == 4) {
    EXPECT_EQ(JsonQuote(std::wstring(1, static_cast<wchar_t>(0x1F600))), "\"\\ud83d\\ude00\"");
  }
}

TEST(CliJson, NestingAndCommas) {
  TJsonWriter w;
  w.BeginObject();
  w.Field(L"n", static_cast<int64_t>(-5));
  w.Key(L"empty");
  w.BeginArray();
  w.EndArray();
  w.Key(L"list");
  w.BeginArray();
  w.Bool(true);
  w.Null();
  w.BeginObject();
  w.EndObject();
  w.String(L"x");
  w.EndArray();
  w.Field(L"big", static_cast<int64_t>(9007199254740993LL));
  w.EndObject();
  EXPECT_EQ(w.Text(),
            "{\n"
            "  \"n\": -5,\n"
            "  \"empty\": [],\n"
            "  \"list\": [\n"
            "    true,\n"
            "    null,\n"
            "    {},\n"
            "    \"x\"\n"
            "  ],\n"
            "  \"big\": 9007199254740993\n"
            "}");
  EXPECT_NO_THROW(jsonread::Parse(w.Text()));
}

TEST(CliIsoDate, PackedDates) {
  struct TCase {
    uint32_t Packed;
    const wchar_t* Iso;  // "" when no real day
  };
  const TCase cases[] = {
      {0x0119032F, L"2019-02-01"},
      {0x0099365F, L"1999-12-31"},
      {0x0000001F, L"1900-01-01"},
      {0x0000060F, L"1900-03-01"},  // 1900 is no leap year
      {0x0100060F, L"2000-02-29"},  // 2000 is one
      {0x0124366F, L"2024-12-31"},
      {0x0123366F, L""},            // 2023 has 365 days
      {0x0124000F, L""},
      {0x0124367F, L""},
      {0x0124999F, L""},
      // Nibbles above 9 count with their value: v = 1666665, day 665.
      {0x0FFFFFFF, L""},
      {0x00A0001F, L"2000-01-01"},  // v = 100001: year 2000, day 1
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(PackedDateIso(c.Packed), c.Iso) << std::hex << c.Packed;
  }
}

TEST(CliIsoDate, ChangeStamps) {
  EXPECT_EQ(PackedStampIso(0x0121100F, 0x1432, 0x45), L"2021-04-10T14:32:45");
  EXPECT_EQ(PackedStampIso(0x0121100F, 0x0000, 0x00), L"2021-04-10T00:00:00");
  EXPECT_EQ(PackedStampIso(0x0121100F, 0x2359, 0x59), L"2021-04-10T23:59:59");
  EXPECT_EQ(PackedStampIso(0x0121100F, 0x2400, 0x00), L"");
  EXPECT_EQ(PackedStampIso(0x0121100F, 0x1260, 0x00), L"");
  EXPECT_EQ(PackedStampIso(0x0121100F, 0x1200, 0x60), L"");
  EXPECT_EQ(PackedStampIso(0x0121000F, 0x1200, 0x00), L"");
}

}  // namespace
