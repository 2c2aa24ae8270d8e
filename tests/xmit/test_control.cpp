// Control records: text units and the holders they fill.
#include <gtest/gtest.h>

#include "XmitTestUtil.h"

using namespace vttest;

namespace {

// INMR01, the given INMR02, INMR03, INMR06: a sequential transmission without data.
Bytes WithINMR02(const TINMR02& r2, const TINMR01& h = TINMR01()) {
  TSegmentWriter w;
  w.AddRecord(h.Encode(), true);
  w.AddRecord(r2.Encode(), true);
  w.AddRecord(TINMR03().Encode(), true);
  w.AddRecord(MakeINMR06(), true);
  return w.Take();
}

}  // namespace

TEST(Control, HeaderFieldsAreKeptAsSent) {
  TINMR01 h;
  h.FromNode = "NODEA";
  h.FromUser = "USERA ";  // not trimmed
  h.ToNode = "NODEB";
  h.ToUser = "USERB";
  h.Time = "20240115103000";
  h.NumFiles = 1;
  h.LRECL = 80;
  TVTXMIParser p;
  LoadBytes(p, WithINMR02(TINMR02(), h));
  EXPECT_EQ(p.FNODE(), L"NODEA");
  EXPECT_EQ(p.FUSER(), L"USERA ");
  EXPECT_EQ(p.INMR01().FTNODE, L"NODEB");
  EXPECT_EQ(p.INMR01().FTUSER, L"USERB");
  EXPECT_EQ(p.INMR01().FFTIME, L"20240115103000");
  EXPECT_EQ(p.INMR01().FLRECL, 80u);
  EXPECT_EQ(p.INMR01().FNUMFL, 1u);
}

TEST(Control, FileUtilityRecord) {
  TINMR02 r2;
  r2.DSName = "SYS1.MACLIB";
  r2.DSORG = 0x4000;
  r2.LRECL = 80;
  r2.RECFM = 0x9000;
  r2.BLKSIZE = 3120;
  TVTXMIParser p;
  LoadBytes(p, WithINMR02(r2));
  EXPECT_EQ(p.DSName(), L"SYS1.MACLIB");
  EXPECT_EQ(p.DSORG(), 0x4000u);
  EXPECT_EQ(p.LRECL(), 80);
  EXPECT_EQ(p.RecordFormat(), L"FB");
  EXPECT_EQ(p.INMR02List()[0]->FUTIL, L"INMCOPY");
  EXPECT_EQ(p.INMR02List()[0]->FBLKSIZE, 3120u);
  EXPECT_EQ(p.UnloadType(), TVTUnloadType::utSeq);
  EXPECT_EQ(p.MemberCount(), 0);
}

TEST(Control, OddTextUnits) {
  // An 8-byte INMSIZE gives 0, an unknown key is skipped whole (and reported), a unit with
  // no items is four bytes, a later unit of the same key replaces the earlier value, and a
  // name with trailing blanks is trimmed by DSName.
  TINMR02 r2;
  r2.DSName = "";
  r2.Extra = {TTextUnit::Number(key::INMSIZE, 12345, 8),
              TTextUnit::Texts(0x000B, {"XX", "YYY"}),
              TTextUnit::NoItems(key::INMCREAT),
              TTextUnit::Number(key::INMLRECL, 133, 2),
              TTextUnit::Texts(key::INMDSNAM, {"MYDATA  "})};
  std::vector<std::wstring> debug;
  TVTXMIParser p;
  p.SetDebugEvent([&](const std::wstring& m) { debug.push_back(m); });
  LoadBytes(p, WithINMR02(r2));
  const TINMR02Record& d = *p.INMR02List()[0];
  EXPECT_EQ(d.FSIZE, 0u);
  EXPECT_EQ(d.FLRECL, 133u);
  EXPECT_EQ(d.FCREAT, L"");
  EXPECT_EQ(d.FDSNAME, L"MYDATA  ");
  EXPECT_EQ(p.DSName(), L"MYDATA");
  ASSERT_EQ(debug.size(), 1u);
  EXPECT_EQ(debug[0], L"Unexpected TU in INMR02: 11");
}

TEST(Control, TextUnitRunningPastTheRecordKeepsWhatCameBefore) {
  TINMR02 r2;
  r2.DSName = "GOOD.NAME";
  Bytes rec = r2.Encode();
  // A unit announcing an item of 200 bytes where only 3 follow.
  Append(rec, Bytes{0x00, 0x42, 0x00, 0x01, 0x00, 0xC8, 0x01, 0x02, 0x03});
  TSegmentWriter w;
  w.AddRecord(TINMR01().Encode(), true);
  w.AddRecord(rec, true);
  w.AddRecord(TINMR03().Encode(), true);
  w.AddRecord(MakeINMR06(), true);
  TVTXMIParser p;
  LoadBytes(p, w.Take());
  EXPECT_EQ(p.DSName(), L"GOOD.NAME");
  EXPECT_EQ(p.LRECL(), 80);
}

TEST(Control, OtherControlRecordsAreAccepted) {
  TSegmentWriter w;
  w.AddRecord(TINMR01().Encode(), true);
  w.AddRecord(MakeControlRecord("INMR04", {}, {TTextUnit::Text(0x1234, "X")}), true);
  w.AddRecord(TINMR02().Encode(), true);
  w.AddRecord(MakeControlRecord("INMR07", {}, {}), true);
  w.AddRecord(TINMR03().Encode(), true);
  w.AddRecord(Ebcdic("LINE"), false);
  w.AddRecord(MakeINMR06(), true);
  TVTXMIParser p;
  LoadBytes(p, w.Take());
  EXPECT_EQ(p.SeqRecordCount(), 1);
  EXPECT_EQ(p.ControlRecordCount(), 6);
}

TEST(Control, NoFileUtilityRecord) {
  TSegmentWriter w;
  w.AddRecord(TINMR01().Encode(), true);
  w.AddRecord(MakeINMR06(), true);
  TVTXMIParser p;
  LoadBytes(p, w.Take());
  EXPECT_EQ(p.DSName(), L"");
  EXPECT_EQ(p.LRECL(), 0);
  EXPECT_EQ(p.DSORG(), 0u);
  EXPECT_EQ(p.UnloadType(), TVTUnloadType::utSeq);
  EXPECT_THROW(p.RecordFormat(), std::out_of_range);
  EXPECT_THROW(p.MemberCount(), std::out_of_range);
  EXPECT_THROW(p.MemberName(0), std::out_of_range);
}

TEST(Control, RecordFormatText) {
  const struct { uint32_t v; const wchar_t* text; } cases[] = {
      {0x9000, L"FB"},      {0x9400, L"FBA"}, {0x5000, L"VB"},  {0x5800, L"VB"},
      {0xD000, L"U"},       {0xC000, L"U"},   {0x0000, L"Unknown"},
      {0x1000, L"UnknownB"}, {0x8000, L"F"},  {0x4000, L"V"},   {0x5400, L"VBA"},
      {0x8200, L"FM"},      {0x9600, L"FBAM"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeRECFM(c.v), c.text) << std::hex << c.v;
}
