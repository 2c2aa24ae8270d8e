// The IEBCOPY unload: COPYR1, COPYR2 and the extents, the directory with its statistics,
// and the member data that the index points at.
#include <gtest/gtest.h>

#include <algorithm>

#include "XmitTestUtil.h"

using namespace vttest;

namespace {

std::vector<std::string> TextLines(const std::string& prefix, int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back(prefix + " LINE " + std::to_string(i));
  return v;
}

TPDSMember FBMember(const std::string& name, int lines, size_t blksize = 3120) {
  TPDSMember m;
  m.Name = name;
  m.Blocks = BlockFixed(FixedRecords(TextLines(name, lines), 80), 80, blksize);
  return m;
}

TPDSDataSet FBLibrary(std::vector<TPDSMember> members) {
  TPDSDataSet ds;
  ds.DSName = "TEST.SOURCE.LIB";
  ds.RECFM = 0x9000;
  ds.LRECL = 80;
  ds.BLKSIZE = 3120;
  ds.Members = std::move(members);
  return ds;
}

// The index agrees with where the writer put every member.
void ExpectIndexMatchesLayout(TVTXMIParser& p, const TPDSLayout& layout) {
  ASSERT_EQ(p.MemberCount(), static_cast<int32_t>(layout.Members.size()));
  for (const TMemberLayout& m : layout.Members) {
    const TDirEntry* e = p.FindMember(std::wstring(m.Name.begin(), m.Name.end()));
    ASSERT_NE(e, nullptr) << m.Name;
    EXPECT_EQ(e->Offset, static_cast<int64_t>(m.Offset)) << m.Name;
    EXPECT_EQ(e->XMIRecNum, static_cast<int64_t>(m.RecordNumber)) << m.Name;
    EXPECT_EQ(e->XMIRecCnt, static_cast<int64_t>(m.DataRecords)) << m.Name;
    EXPECT_EQ(e->TT, m.TT) << m.Name;
    EXPECT_EQ(e->R, m.R) << m.Name;
  }
}

}  // namespace

TEST(Unload, FixedMemberFigures) {
  // Three blocks of 3,120 bytes: 117 records of 80.
  TPDSLayout layout;
  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().PDS(FBLibrary({FBMember("THREE", 117)}), &layout));
  EXPECT_EQ(p.UnloadType(), TVTUnloadType::utPDS);
  const TDirEntry* e = p.FindMember(L"three");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->RecCnt, 117);
  EXPECT_EQ(e->Size, 9360);
  EXPECT_EQ(e->MaxLRECL, 80u);
  ExpectIndexMatchesLayout(p, layout);
  EXPECT_EQ(p.UnmatchedMemberCount(), 0);
}

TEST(Unload, ManyMembersAnySegmentSize) {
  // Hundreds of members over several tracks, extents and data records; written with tiny
  // segments as well, which must give the same index.
  std::vector<TPDSMember> members;
  for (int i = 0; i < 400; ++i) {
    char name[9];
    std::snprintf(name, sizeof name, "M%05d", (i * 7919) % 100000);
    members.push_back(FBMember(name, 1 + (i * 37) % 150));
  }
  TPDSDataSet ds = FBLibrary(members);
  ds.Extents = {{100, 0, 100, 14}, {200, 3, 201, 2}, {50, 0, 60, 14}};
  for (size_t seg : {size_t(255), size_t(9)}) {
    TXmitOptions o;
    o.MaxSegment = seg;
    TPDSLayout layout;
    TVTXMIParser p;
    LoadBytes(p, TXmitBuilder(o).PDS(ds, &layout));
    ExpectIndexMatchesLayout(p, layout);
    for (int i = 1; i < p.MemberCount(); ++i) EXPECT_LT(p.MemberName(i - 1), p.MemberName(i));
  }
}

TEST(Unload, PdseIndicatorAndEyeCatcher) {
  TPDSDataSet ds = FBLibrary({FBMember("A", 3)});
  ds.PDSE = true;
  ds.Device = TDeviceGeometry::PDSEDevice();
  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().PDS(ds));
  EXPECT_EQ(p.UnloadType(), TVTUnloadType::utPDSE);
  EXPECT_NE(p.FindMember(L"A")->Offset, 0);

  // A COPYR1 whose eye-catcher is CA 6D 0E is refused.
  Bytes file = TXmitBuilder().PDS(FBLibrary({FBMember("A", 3)}));
  const Bytes good = {0xCA, 0x6D, 0x0F};
  auto at = std::search(file.begin(), file.end(), good.begin(), good.end());
  ASSERT_NE(at, file.end());
  at[2] = 0x0E;
  EXPECT_EQ(LoadError(file), "Invalid format for COPYR1 PDS Header");
}

TEST(Unload, RelativeTracksThroughTheExtents) {
  TINMR03Record r;
  r.FDevTab.TrksPerCyl = 15;
  auto add = [&](uint32_t sc, uint32_t st, uint32_t ec, uint32_t et, uint32_t relStart) {
    auto x = std::make_unique<TCOPYR2Extent>();
    x->S = 15 * sc + st;
    x->E = 15 * ec + et;
    x->RelStrt = relStart;
    x->RelEnd = relStart + x->E - x->S;
    r.StoreExtent(std::move(x));
  };
  add(10, 0, 10, 14, 0);
  add(20, 5, 21, 4, 15);
  add(10, 5, 10, 9, 30);  // overlaps the first: the earlier extent decides
  const struct { uint32_t cyl, trk, rel; } cases[] = {
      {10, 14, 14}, {20, 5, 15}, {21, 0, 25}, {21, 4, 29}, {10, 7, 7}, {15, 0, 0xFFFFFF},
  };
  for (const auto& c : cases) EXPECT_EQ(r.RelativeTrack(c.cyl, c.trk), c.rel) << c.cyl << "/" << c.trk;
}

TEST(Unload, ExtentCountOddities) {
  // No extents: no member gets data. A count beyond the descriptors present: only those
  // the record holds are read.
  TPDSDataSet ds = FBLibrary({FBMember("A", 3), FBMember("B", 3)});
  Bytes file = TXmitBuilder().PDS(ds);
  TPDSLayout layout;
  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().PDS(ds, &layout));
  ASSERT_EQ(p.INMR03List()[0]->FExtentList.size(), 1u);

  // Rewrite COPYR2's count byte: it is the data record right after COPYR1.
  for (uint8_t count : {uint8_t(0), uint8_t(200)}) {
    TXmitBuilder b;
    TPDSDataSet d = ds;
    Bytes f = b.PDS(d);
    // COPYR2 follows COPYR1 (56 bytes of data in one segment of 58).
    const size_t copyr2 = static_cast<size_t>(layout.COPYR1Offset) + 58;
    ASSERT_EQ(f[copyr2 + 1] & 0x20, 0);
    f[copyr2 + 2] = count;
    TVTXMIParser q;
    LoadBytes(q, f);
    const TINMR03Record& r3 = *q.INMR03List()[0];
    EXPECT_EQ(r3.FExtentList.size(), count == 0 ? 0u : 16u);
    if (count == 0) {
      EXPECT_EQ(q.FindMember(L"A")->Offset, 0);
      EXPECT_EQ(q.UnmatchedMemberCount(), 2);
    }
  }
}

TEST(Directory, IspfStatisticsInFixedAndVariableLibraries) {
  TPDSMember m = FBMember("STATS", 10);
  vttest::TISPFStats s;
  s.Version = 2;
  s.Mod = 7;
  s.CreatedYear = 2021;
  s.CreatedDay = 68;
  s.ModYear = 2024;
  s.ModDay = 100;
  s.ModHour = 13;
  s.ModMinute = 45;
  s.ModSecond = 12;
  s.Lines = 10;
  s.InitLines = 8;
  s.ModLines = 3;
  s.UserId = "IBMUSER";
  m.ISPF = s;
  TPDSMember big = FBMember("BIG", 5);
  vttest::TISPFStats x = s;
  x.Extended = true;
  x.Lines = 100000;
  x.InitLines = 70000;
  x.ModLines = 65536;
  big.ISPF = x;

  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().PDS(FBLibrary({m, big, FBMember("NOSTATS", 2)})));
  EXPECT_TRUE(p.INMR03List()[0]->FISPFStatsPresent);
  const ::TISPFStats* st = p.FindMember(L"STATS")->ISPFStats.get();
  ASSERT_NE(st, nullptr);
  EXPECT_EQ(st->VV, 2);
  EXPECT_EQ(st->MM, 7);
  EXPECT_EQ(st->Created, 0x0121068Fu);
  EXPECT_EQ(st->Modified, 0x0124100Fu);
  EXPECT_EQ(st->ModTime, 0x1345);
  EXPECT_EQ(st->ModSecs, 0x12);
  EXPECT_EQ(st->Lines, 10u);
  EXPECT_EQ(st->InitLines, 8u);
  EXPECT_EQ(st->ModLines, 3u);
  EXPECT_EQ(st->ModBy, L"IBMUSER");
  const ::TISPFStats* bs = p.FindMember(L"BIG")->ISPFStats.get();
  ASSERT_NE(bs, nullptr);
  EXPECT_TRUE(bs->Extended);
  EXPECT_EQ(bs->Lines, 100000u);
  EXPECT_EQ(bs->InitLines, 70000u);
  EXPECT_EQ(bs->ModLines, 65536u);
  EXPECT_EQ(p.FindMember(L"NOSTATS")->ISPFStats, nullptr);

  // Every library of fixed or variable records keeps ISPF statistics; a load library and a
  // data set of no known format do not.
  const struct {
    uint16_t recfm;
    bool stats;
  } formats[] = {{0x8000, true},  {0x9000, true},  {0x9400, true},  {0x9200, true},
                 {0x4000, true},  {0x5000, true},  {0x5400, true},  {0x4400, true},
                 {0x0000, false}, {0x1000, false}};
  for (const auto& f : formats) {
    TPDSDataSet ds = FBLibrary({m});
    ds.RECFM = f.recfm;
    if (f.recfm & 0x4000) {
      ds.LRECL = 255;
      ds.Members[0].Blocks = BlockVariable(FixedRecords(TextLines("V", 4), 60), 27998);
    }
    TVTXMIParser q;
    LoadBytes(q, TXmitBuilder().PDS(ds));
    const TDirEntry* e = q.FindMember(L"STATS");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ISPFStats != nullptr, f.stats) << std::hex << f.recfm;
    if (e->ISPFStats) {
      EXPECT_EQ(e->ISPFStats->ModBy, L"IBMUSER");
    }
    EXPECT_EQ(q.INMR03List()[0]->FISPFStatsPresent, f.stats) << std::hex << f.recfm;
  }
}

TEST(Directory, VariableMemberFigures) {
  TPDSDataSet ds = FBLibrary({});
  ds.RECFM = 0x5000;
  ds.LRECL = 255;
  TPDSMember m;
  m.Name = "VAR";
  m.Blocks = BlockVariable({Bytes(80, 0xC1), Bytes(120, 0xC2), Bytes(10, 0xC3)}, 27998);
  ds.Members = {m};
  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().PDS(ds));
  const TDirEntry* e = p.FindMember(L"VAR");
  EXPECT_EQ(e->MaxLRECL, 120u);
  EXPECT_EQ(e->RecCnt, 3);
  int64_t dl = 0;
  for (const Bytes& b : m.Blocks) dl += static_cast<int64_t>(b.size());
  EXPECT_EQ(e->Size, dl);
}

TEST(Directory, LoadLibraryAttributesAndAliases) {
  TPDSDataSet ds = FBLibrary({});
  ds.RECFM = 0xC000;
  ds.LRECL = 0;
  ds.BLKSIZE = 6144;
  TPDSMember prog;
  prog.Name = "PROG";
  prog.Blocks = BlockUndefined(Bytes(10000, 0x47), 6144);
  TLoadModuleAttrs a;
  a.ATR1 = 0x02 | 0x04;  // scatter-loaded: 8 more bytes before the alias fields
  a.Stor = 0x2710;
  a.EPA = 0x18;
  prog.Load = a;
  TPDSMember bare;  // no user data at all
  bare.Name = "BARE";
  bare.Blocks = BlockUndefined(Bytes(100, 0x00), 6144);
  bare.AutoTTRT = false;
  bare.UserData = Bytes();
  ds.Members = {prog, bare};
  ds.Aliases = {{"ENTRY1", "PROG", {}, {}, {}}};
  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().PDS(ds));
  EXPECT_TRUE(p.INMR03List()[0]->FLoadStatsPresent);
  ASSERT_EQ(p.MemberCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(p.MemberEntry(i).LoadStats, nullptr) << i;
  const TDirEntry* e = p.FindMember(L"PROG");
  EXPECT_EQ(e->LoadStats->PDS2STOR, 0x2710u);
  EXPECT_EQ(e->LoadStats->PDS2EPA, 0x18u);
  EXPECT_EQ(e->Size, 10000);
  const TDirEntry& bareEntry = *p.FindMember(L"BARE");
  EXPECT_EQ(bareEntry.LoadStats->PDS2STOR, 0u);  // nothing read from the next entry
  EXPECT_EQ(bareEntry.LoadStats->PDS2ATR1, 0u);
  // The alias resolves to its main member; its own entry never gets data.
  EXPECT_EQ(p.FindMember(L"entry1"), e);
  for (int i = 0; i < 3; ++i) {
    const TDirEntry& x = p.MemberEntry(i);
    if (x.Alias) {
      EXPECT_EQ(x.Member, L"ENTRY1");
      EXPECT_EQ(x.LoadStats->PDS2MNM, L"PROG");
      EXPECT_EQ(x.Offset, 0);
      EXPECT_EQ(x.Size, 0);
    }
  }
}

TEST(Directory, AliasCycleEnds) {
  TINMR03Record r;
  auto alias = [&](const wchar_t* name, const wchar_t* main) {
    auto e = std::make_unique<TDirEntry>();
    e->Member = name;
    e->Alias = true;
    e->LoadStats = std::make_unique<TLoadStats>();
    e->LoadStats->PDS2MNM = main;
    r.StoreDirEntry(std::move(e));
  };
  alias(L"A", L"B");
  alias(L"B", L"A");
  alias(L"C", L"C");
  alias(L"D", L"NONE");
  r.SortMembers();
  EXPECT_EQ(r.Member(L"A"), nullptr);
  EXPECT_EQ(r.Member(L"C"), nullptr);
  EXPECT_EQ(r.Member(L"D"), nullptr);
}

TEST(Directory, SortAndLookupRules) {
  TINMR03Record r;
  for (const wchar_t* n : {L"Z", L"a", L"C", L"A", L"B", L"AB"}) {
    auto e = std::make_unique<TDirEntry>();
    e->Member = n;
    r.StoreDirEntry(std::move(e));
  }
  r.SortMembers();
  std::vector<std::wstring> order;
  for (const auto& e : r.FMemberList) order.push_back(e->Member);
  EXPECT_EQ(order, (std::vector<std::wstring>{L"A", L"AB", L"B", L"C", L"Z", L"a"}));
  // Names compare trimmed and with a-z upper case; the first in list order wins.
  EXPECT_EQ(r.Member(L" a ")->Member, L"A");
  EXPECT_EQ(r.Member(L"ab")->Member, L"AB");
  EXPECT_EQ(r.Member(L"Q"), nullptr);
}

TEST(Directory, DirectoryBlockEdges) {
  // A block whose used count is 2 holds no entries; a name starting with FF ends its block,
  // and the blocks after it are still read.
  const std::vector<Bytes> entriesA = {MakeDirEntry("AAA", 0, 1, false, {})};
  std::vector<Bytes> blocks = MakeDirectoryBlocks(entriesA, {"AAA"});
  ASSERT_EQ(blocks.size(), 1u);
  Bytes empty = blocks[0];
  empty[12] = 0x00;  // not the last block
  empty[20] = 0x00;
  empty[21] = 0x02;
  Bytes stopper = blocks[0];
  stopper[12] = 0x00;
  stopper[13] = 0x00;
  Bytes ff = MakeDirEntry("\xFF", 0, 0, false, {});
  std::copy(ff.begin(), ff.end(), stopper.begin() + 22);  // FF name first, AAA hidden
  Bytes last = MakeDirectoryBlocks({MakeDirEntry("BBB", 0, 1, false, {})}, {"BBB"})[0];
  Bytes rec;
  Append(rec, empty);
  Append(rec, stopper);
  Append(rec, last);

  TPDSDataSet ds = FBLibrary({FBMember("BBB", 2)});
  TPDSLayout layout;
  Bytes file = TXmitBuilder().PDS(ds, &layout);
  // Rebuild the file with the hand-made directory record in place of the writer's.
  TSegmentWriter w;
  w.AddRecord(TINMR01().Encode(), true);
  for (const TINMR02& r2 : UnloadINMR02(ds, 1)) w.AddRecord(r2.Encode(), true);
  w.AddRecord(TINMR03().Encode(), true);
  w.AddRecord(MakeCOPYR1(false, ds.RECFM, 80, 3120, ds.Device), false);
  w.AddRecord(MakeCOPYR2({{100, 0, 100, 14}}, ds.Device), false);
  w.AddRecord(rec, false);
  w.AddRecord(MakeINMR06(), true);
  TVTXMIParser p;
  LoadBytes(p, w.Take());
  ASSERT_EQ(p.MemberCount(), 1);
  EXPECT_EQ(p.MemberName(0), L"BBB");
}

TEST(MemberData, RecordFlagsAndUnmatchedStarts) {
  // A record with flag 0x80 changes nothing; a member start that matches no entry counts.
  TPDSDataSet ds = FBLibrary({FBMember("A", 40), FBMember("B", 40)});
  Bytes ignored = MakeBlockHeader(0x80, 0, 0, 1, 80);
  Append(ignored, Bytes(80, 0x40));
  Bytes stray = MakeBlockHeader(0x00, 7, 7, 7, 80);  // an address in no extent
  Append(stray, Bytes(80, 0x40));
  Append(stray, MakeBlockHeader(0x00, 7, 7, 7, 0));
  ds.InjectRecords = {{1, ignored}, {2, stray}};
  TPDSLayout layout;
  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().PDS(ds, &layout));
  EXPECT_EQ(p.UnmatchedMemberCount(), 1);
  const TDirEntry* a = p.FindMember(L"A");
  EXPECT_EQ(a->RecCnt, 40);
  EXPECT_EQ(a->XMIRecCnt, static_cast<int64_t>(layout.Find("A")->DataRecords));
  EXPECT_EQ(p.FindMember(L"B")->RecCnt, 40);
}

TEST(MemberData, DamagedBlocksStayInsideTheRecord) {
  // Blocks whose length reaches past the record, a VB record descriptor below 4 and a fixed
  // block that is no multiple of LRECL: the load ends normally and nothing is overrun.
  struct TCase {
    uint16_t recfm;
    Bytes block;  // data of one block, its header made here
    uint16_t dl;  // the DL written in the header
  };
  const TCase cases[] = {
      {0x9000, Bytes(80, 0xC1), 4000},                      // DL past the record
      {0x9000, Bytes(100, 0xC1), 100},                      // 1 record and 20 bytes
      {0x5000, Bytes{0x00, 0x10, 0, 0, 0x00, 0x00, 0, 0, 1, 2, 3, 4}, 12},  // rl 0
      {0x5000, Bytes{0xFF, 0xFF, 0, 0, 0x7F, 0xFF, 0, 0}, 8},               // rl past block
  };
  for (const TCase& c : cases) {
    TPDSDataSet ds = FBLibrary({FBMember("A", 1)});
    ds.RECFM = c.recfm;
    ds.Members[0].Blocks = {c.block};
    TPDSLayout layout;
    Bytes file = TXmitBuilder().PDS(ds, &layout);
    // Overwrite the member's first DL with the damaged one.
    const size_t rec = static_cast<size_t>(layout.Members[0].Offset);
    ASSERT_EQ(file[rec + 2 + 0], 0x00);
    file[rec + 2 + 10] = static_cast<uint8_t>(c.dl >> 8);
    file[rec + 2 + 11] = static_cast<uint8_t>(c.dl);
    TVTXMIParser p;
    ASSERT_NO_THROW(LoadBytes(p, file)) << c.recfm << "/" << c.dl;
    const TDirEntry* e = p.FindMember(L"A");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Offset, static_cast<int64_t>(layout.Members[0].Offset));
    if (c.recfm == 0x9000 && c.dl == 100) {
      EXPECT_EQ(e->RecCnt, 1);
      EXPECT_EQ(e->Size, 80);
    }
  }
}

TEST(Message, DataSetAfterAMessage) {
  TPDSLayout layout;
  TVTXMIParser p;
  LoadBytes(p, TXmitBuilder().MessageAndPDS({"HELLO FROM THE HOST", "SECOND LINE"},
                                            FBLibrary({FBMember("A", 5), FBMember("B", 7)}),
                                            &layout));
  EXPECT_TRUE(p.HasMessage());
  EXPECT_EQ(p.DSName(), L"TEST.SOURCE.LIB");
  EXPECT_EQ(p.RecordFormat(), L"FB");
  EXPECT_EQ(p.LRECL(), 80);
  EXPECT_EQ(p.DSORG(), 0x0200u);
  EXPECT_EQ(p.UnloadType(), TVTUnloadType::utPDS);
  EXPECT_EQ(p.SeqRecordCount(), 0);
  ExpectIndexMatchesLayout(p, layout);
  TVTStringList lines;
  p.GetMessageLines(lines);
  ASSERT_EQ(lines.Count(), 2u);
  EXPECT_EQ(lines[0], L"HELLO FROM THE HOST");
  EXPECT_EQ(lines[1], L"SECOND LINE");

  // Without a message nothing changes.
  TVTXMIParser q;
  LoadBytes(q, TXmitBuilder().PDS(FBLibrary({FBMember("A", 5)})));
  EXPECT_FALSE(q.HasMessage());
  TVTStringList none;
  q.GetMessageLines(none);
  EXPECT_EQ(none.Count(), 0u);
}
