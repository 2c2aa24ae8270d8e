#include <gtest/gtest.h>

#include "translate/VTTranslate.h"

TEST(SBCSMap, BuiltinHostToPC) {
  TVTSBCSMap m;
  const uint8_t inmr01[] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0, 0xF1};
  EXPECT_EQ(m.ASCIIStringFromBuffer(inmr01, 6), L"INMR01");
  const uint8_t unmapped[] = {0x04};
  EXPECT_EQ(m.ASCIIStringFromBuffer(unmapped, 1), std::wstring(1, wchar_t(0xFFFF)));
  EXPECT_EQ(m.ASCIIStringFromBuffer(inmr01, 0), L"");

  const struct { uint8_t host; wchar_t pc; wchar_t disp; } cases[] = {
      {0xC1, L'A', L'A'},     {0x40, L' ', L' '},     {0x41, L' ', L' '},
      {0x51, 0xE9, L'.'},     {0x4A, 0xA2, L'.'},     {0x25, 0x0A, L'.'},
      {0x04, L'.', L'.'},     {0x5F, L'^', L'^'},     {0xB0, 0xAC, L'.'},
      {0x67, 0xC4, L'.'},     {0x63, 0xC4, L'.'},     {0xFF, 0x9F, L'.'},
      {0x79, L'`', L'`'},     {0xA1, L'~', L'~'},     {0x05, 0x09, L'.'},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(m.HostToPC(c.host), c.pc) << int(c.host);
    EXPECT_EQ(m.DisplayableHostToPC(c.host), c.disp) << int(c.host);
  }
}

TEST(SBCSMap, BuiltinPCToHostIsNotTheInverse) {
  TVTSBCSMap m;
  const struct { uint16_t pc; uint16_t host; } cases[] = {
      {'[', 0xB4}, {'A', 0xC1}, {0xC9, 0}, {0x100, 0}, {' ', 0x40}, {'!', 0x5A},
      {'|', 0x4F}, {'~', 0xA1}, {'`', 0x79}, {0x7F, 0x07}, {'^', 0x6A}, {0xF0, 0x49},
      {0x04, 0},   {0x10, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(m.PCtoHost(c.pc), c.host) << c.pc;
  EXPECT_EQ(m.HostToPC(0xB4), wchar_t(0xA9));
  EXPECT_EQ(m.HostToPC(0x49), wchar_t(0xF1));
}

TEST(SBCSMap, CountsOfTheBuiltinTable) {
  TVTSBCSMap m;
  int e2a = 0, a2e = 0;
  for (int i = 0; i < 256; ++i) e2a += m.E2A(uint8_t(i)) >= 0;
  for (int i = 0; i < 65536; ++i) a2e += m.A2E(uint16_t(i)) >= 0;
  EXPECT_EQ(e2a, 207);
  EXPECT_EQ(a2e, 120);
}

TEST(SBCSMap, BufferConversionsAndReset) {
  TVTSBCSMap m;
  uint8_t b[] = {0x25, 0x04, 0xC1};
  m.ConvertBufferToASCII(b, 3);
  EXPECT_EQ(b[0], 0x0A);
  EXPECT_EQ(b[1], 0xFF);
  EXPECT_EQ(b[2], 'A');
  uint8_t a[] = {'a', 0xFF};
  m.ConvertBufferToEBCDIC(a, 2);
  EXPECT_EQ(a[0], 0x81);
  EXPECT_EQ(a[1], 0xFF);

  m.SetE2A(0x9F, 0x20AC);
  uint8_t euro[] = {0x9F};
  m.ConvertBufferToASCII(euro, 1);
  EXPECT_EQ(euro[0], 0xAC);  // the low byte of the character
  m.SetA2E(0x20AC, 0x9F);
  m.InitializeMap();
  EXPECT_EQ(m.A2E(0x20AC), -1);
  EXPECT_EQ(m.E2A(0x9F), 0xA4);
  EXPECT_TRUE(m.Name().empty());
  EXPECT_FALSE(m.SBCSMapChanged());
}
