// Content type detection, hex dumps, the member list report and the extraction.
#include <gtest/gtest.h>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include "platform/VTPlatformWin.h"
#endif

#include "../platform/TempDir.h"
#include "XmitTestUtil.h"
#include "support/FsLinks.h"
#include "common/VTStrUtils.h"
#include "xmit/VTXMIExtract.h"

using namespace vttest;
using CT = TVTXMIMemberContentType;

namespace {

// A scratch folder with two folders in it: "out", where extraction writes, and "elsewhere",
// where links planted in "out" point.
struct TOutsideAndOut {
  TOutsideAndOut() : Elsewhere(Dir.File(L"elsewhere")), Out(Dir.File(L"out")) {
    vtplatform::CreateFolders(Elsewhere);
    vtplatform::CreateFolders(Out);
  }
  TTempDir Dir;
  std::wstring Elsewhere, Out;
};

Bytes Padded(Bytes b, size_t n, uint8_t fill = 0x00) {
  b.resize(n, fill);
  return b;
}

// One 80-byte record of the given bytes repeated: a fixed block.
Bytes Text80(const std::string& ascii) { return Padded(Bytes(ascii.begin(), ascii.end()), 80, ' '); }

// A fresh folder under the temporary folder.
std::wstring NewFolder(const std::wstring& name) {
  const std::wstring tmp = vtplatform::TempFileName(L"ext");
  vtplatform::RemoveFile(tmp);
  const std::wstring dir = tmp + L"_" + name;
  vtplatform::ForceDirectories(dir);
  return dir;
}

}  // namespace

TEST(ContentType, Signatures) {
  const Bytes xmitStart = Padded({0x50, 0xE0, 0xC9, 0xD5, 0xD4, 0xD9, 0xF0, 0xF1}, 80);
  struct TCase {
    const char* what;
    uint16_t recfm;
    uint32_t lrecl;
    Bytes block;
    CT expected;
  };
  const TCase cases[] = {
      {"nested xmit", 0x9000, 80, xmitStart, CT::ctXMI},
      {"xmit bytes, LRECL 1024", 0x9000, 1024, Padded(xmitStart, 1024), CT::ctBinary},
      {"zip", 0x9000, 80, Padded({0x50, 0x4B, 0x03, 0x04}, 80), CT::ctZIP},
      {"zip in VB", 0x5000, 255, Padded({0x50, 0x4B, 0x03, 0x04}, 80), CT::ctZIP},
      {"pdf", 0x9000, 80, Padded({0x25, 0x50, 0x44, 0x46}, 80), CT::ctPDF},
      {"aws", 0x9000, 80, Padded({0x50, 0, 0, 0, 0xA0, 0}, 80), CT::ctAWS},
      {"exe", 0x9000, 80, Padded({0x4D, 0x5A}, 80), CT::ctEXE},
      {"ebcdic blanks", 0x9000, 80, Bytes(80, 0x40), CT::ctEBCDICText},
      {"ascii text", 0x9000, 80, Text80("hello, world"), CT::ctASCIIText},
      {"ascii with a tab", 0x9000, 80, Padded(Text80("a\tb"), 80), CT::ctBinary},
      {"ascii with a backslash", 0x9000, 80, Text80("C:\\DIR"), CT::ctBinary},
      {"binary", 0x9000, 80, Bytes(80, 0x00), CT::ctBinary},
  };
  for (const TCase& c : cases) {
    Bytes blk = c.block;
    if (c.recfm == 0x5000) blk = BlockVariable({c.block}, 27998)[0];
    if (c.what == std::string("zip in VB")) blk = c.block;  // the signature is at the block's start
    TLoaded f(TXmitBuilder().PDS(Library(c.recfm, c.lrecl, {Member("M", {blk})})));
    EXPECT_EQ(f.P.GetContentType(L"M"), c.expected) << c.what;
  }
}

TEST(ContentType, TextThresholds) {
  // 100-byte samples: 91 text characters after translation (and fewer before) is EBCDIC
  // text; 90 is binary.
  auto sample = [](int text) {
    Bytes b(100, 0x00);
    for (int i = 0; i < text; ++i) b[static_cast<size_t>(i)] = 0xC1;  // "A" in EBCDIC, not text in ASCII
    return b;
  };
  for (int text : {91, 90}) {
    TLoaded f(TXmitBuilder().PDS(Library(0x9000, 100, {Member("M", {sample(text)})})));
    EXPECT_EQ(f.P.GetContentType(L"M"), text == 91 ? CT::ctEBCDICText : CT::ctBinary) << text;
  }
}

TEST(ContentType, SpecialEntries) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("EMPTY", {}), Member("TEXT", {Bytes(80, 0xC1)})});
  TLoaded f(TXmitBuilder().PDS(ds));
  EXPECT_EQ(f.P.GetContentType(L"EMPTY"), CT::ctEmpty);
  EXPECT_EQ(f.P.GetContentType(L"NOSUCH"), CT::ctUnknown);
  EXPECT_THROW(f.P.GetContentType(L""), EXMITError);  // an unloaded PDS has no first record
  TLoaded load(TXmitBuilder().PDS(Library(0xC000, 0, {Member("PGM", {})})));
  EXPECT_EQ(load.P.GetContentType(L"PGM"), CT::ctLoadMember);

  TSeqDataSet seq;
  seq.Records = {Padded({0x50, 0x4B, 0x03, 0x04}, 80)};  // no signatures for sequential data
  TLoaded s(TXmitBuilder().Sequential(seq));
  EXPECT_EQ(s.P.GetContentType(L""), CT::ctBinary);
}

TEST(HexDump, LinesAndColumns) {
  TVTXMIParser p;
  TVTStringList sl;
  Bytes b(40);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(0xC1 + i % 3);
  p.HexDumpBuffer(b.data(), sl, 40, 32);
  ASSERT_EQ(sl.Count(), 3u);
  EXPECT_EQ(sl[0], L" <OFFSET>   <" + std::wstring(28, L'-') + L" HEXADECIMAL " + std::wstring(28, L'-') +
                       L">    <" + std::wstring(10, L'-') + L" CHARACTER " + std::wstring(11, L'-') + L">");
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(sl[i].size(), 121u) << i;
  EXPECT_EQ(sl[1].substr(0, 24), L"+00000000   c1c2c3c1 c2c");
  EXPECT_EQ(sl[2].substr(0, 30), L"+00000020   c3c1c2c3 c1c2c3c1 ");
  EXPECT_EQ(sl[2].substr(87), L"*CABCABCA                        *");
  EXPECT_EQ(sl[1].substr(87, 4), L"*ABC");

  const Bytes abc = {0x41, 0x42, 0x43};
  sl.Clear();
  p.HexDumpBuffer(abc.data(), sl, 3, 32);
  EXPECT_EQ(sl[1].substr(87, 5), L"* .. " );  // 41 is a blank, 42 and 43 are above 7E
  p.SetConvertData(false);
  sl.Clear();
  p.HexDumpBuffer(abc.data(), sl, 3, 32);
  EXPECT_EQ(sl[1].substr(87, 5), L"*ABC ");
  sl.Clear();
  p.HexDumpBuffer(abc.data(), sl, 0, 32);
  EXPECT_EQ(sl.Count(), 1u);
}

TEST(HexDump, LowLevelDumpAnnotatesMembers) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("A", BlockFixed(std::vector<Bytes>(117, Bytes(80, 0xC1)), 80, 3120))});
  ds.MaxRecordBytes = 3200;  // member A spans three data records
  TPDSLayout layout;
  TLoaded f(TXmitBuilder().PDS(ds, &layout));
  TVTStringList sl;
  f.P.DumpXMIRecordData(sl, 16);
  const uint64_t first = layout.Members[0].RecordNumber;
  std::wstring second = L"Dump of data record " + std::to_wstring(first + 1) + L" length=";
  bool found = false;
  for (const std::wstring& l : sl.Lines()) {
    if (l.compare(0, second.size(), second) == 0) {
      EXPECT_NE(l.find(L" (Record 2 of 3 of Member: A)"), std::wstring::npos) << vtplatform::ToUtf8(l);
      found = true;
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(sl[0], L"Dump of control record INMR01 length=" + std::to_wstring(TINMR01().Encode().size()));
  EXPECT_EQ(sl[sl.Count() - 1], L" ");
  EXPECT_EQ(sl[sl.Count() - 4].substr(0, 30), L"Dump of control record INMR06 ");
  EXPECT_EQ(sl[1].size(), 121u);  // 32 bytes per line whatever the width asked
}

TEST(HexDump, SequentialRecordDump) {
  TSeqDataSet ds;
  ds.Records = {Bytes(1024, 0x40), Bytes(10, 0x40)};
  TLoaded f(TXmitBuilder().Sequential(ds));
  TVTStringList sl;
  f.P.GetRecordData(sl, 0);
  ASSERT_GE(sl.Count(), 1u);
  EXPECT_EQ(sl[0], L"Dump of record #1, Length=1,024 bytes, Offset=" + vtstr::FormatThousands(f.P.FirstSeqRecordPos()));
  EXPECT_EQ(sl.Count(), (1u + 1u + 32u + 2u) + (1u + 1u + 1u + 2u));
}

TEST(MemberList, ThreeLayouts) {
  // ISPF layout: one member with statistics, one without.
  TPDSMember a = Member("MEMBER1", {Bytes(80, 0x40)});
  vttest::TISPFStats s;
  s.Version = 1;
  s.Mod = 3;
  s.CreatedYear = 2019;
  s.CreatedDay = 32;
  s.ModYear = 2021;
  s.ModDay = 100;
  s.ModHour = 14;
  s.ModMinute = 32;
  s.ModSecond = 45;
  s.Lines = 120;
  s.InitLines = 100;
  s.ModLines = 5;
  s.UserId = "USER1";
  a.ISPF = s;
  TLoaded ispf(TXmitBuilder().PDS(Library(0x9000, 80, {a, Member("PLAIN", {Bytes(80, 0x40)})})));
  TVTStringList sl;
  ispf.P.GetMemberList(sl);
  ASSERT_EQ(sl.Count(), 4u);
  EXPECT_EQ(sl[0], L" Name      Size   Init    Mod  VV.MM   Created          Changed          ID");
  EXPECT_EQ(sl[1], L"");
  const wchar_t sep = vtplatform::DateSeparator();
  std::wstring expected = L"MEMBER1     120    100      5  01.03  2019/02/01  2021/04/10 14:32:45  USER1";
  for (wchar_t& c : expected)
    if (c == L'/') c = sep;
  EXPECT_EQ(sl[2], expected);
  EXPECT_EQ(sl[2].size(), 76u);
  EXPECT_EQ(sl[3], L"PLAIN   ");

  // Load-module layout.
  TPDSDataSet load = Library(0xC000, 0, {});
  TPDSMember br = Member("IEFBR14", {Bytes(8, 0x07)});
  TLoadModuleAttrs at;
  at.Stor = 8;
  at.FTB2 = 0x13;  // AM ANY, RM ANY
  br.Load = at;
  load.Members = {br};
  load.Aliases = {{"BR14", "IEFBR14", {}, {}, {}}};
  TLoaded lm(TXmitBuilder().PDS(load));
  lm.P.GetMemberList(sl);
  ASSERT_EQ(sl.Count(), 4u);
  EXPECT_EQ(sl[0], L" Name       Alias-of     Size      TTR     AC   AM   RM");
  const TDirEntry* e = lm.P.FindMember(L"IEFBR14");
  wchar_t ttr[8];
  swprintf(ttr, 8, L"%04X%02X", e->TT, e->R);
  EXPECT_EQ(sl[2], std::wstring(L"BR14    ") + L"    " + L"IEFBR14 " + L"   00000008   " + ttr + L"   00   ANY  ANY");
  EXPECT_EQ(sl[3], std::wstring(L"IEFBR14 ") + L"    " + std::wstring(8, L' ') + L"   00000008   " + ttr + L"   00   ANY  ANY");
  EXPECT_EQ(sl[3].size(), 56u);

  // Plain layout: no member has statistics.
  TPDSMember bare = a;
  bare.ISPF.reset();
  TLoaded plain(TXmitBuilder().PDS(Library(0x9400, 80, {bare})));
  plain.P.GetMemberList(sl);
  ASSERT_EQ(sl.Count(), 3u);
  EXPECT_EQ(sl[1], L"--------      ---------     ----------             --            ---");
  const TDirEntry* m = plain.P.FindMember(L"MEMBER1");
  EXPECT_EQ(sl[2], L"MEMBER1 " + vtstr::PadLeft(L"1", 15) + vtstr::PadLeft(L"80", 15) +
                       vtstr::PadLeft(vtstr::FormatThousands(m->TT), 15) + vtstr::PadLeft(std::to_wstring(m->R), 15));
}

TEST(MemberList, StatisticsFormatting) {
  ::TISPFStats s;
  s.VV = 123;
  s.MM = 4;
  s.Lines = 65535;
  s.Created = 0x0119032F;
  s.Modified = 0x0099365F;
  s.ModTime = 0x0930;
  s.ModSecs = 0x05;
  s.ModBy = L"ME";
  EXPECT_EQ(s.DirStats(L'-'), L"  65535      0      0  23.04  2019-02-01  1999-12-31 09:30:05  ME");
  // A date that names no real day shows its packed value; the rest is unchanged.
  s.Created = 0x0119000F;  // day 0
  s.Modified = 0x0119366F;  // 2019 has 365 days
  EXPECT_EQ(s.DirStats(L'-'), L"  65535      0      0  23.04  0119000F    0119366F   09:30:05  ME");
  int y, m, d;
  EXPECT_TRUE(PackedDateToYMD(0x0120366F, y, m, d));  // 2020 is a leap year
  EXPECT_EQ(m * 100 + d, 1231);
}

TEST(Extract, MembersByContentType) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("A", {Bytes(80, 0xC1)}),
                                       Member("B", {Padded({0x50, 0x4B, 0x03, 0x04, 0x01}, 80)}),
                                       Member("C", {}),
                                       Member("D", {Text80("plain ascii")})});
  TLoaded f(TXmitBuilder().PDS(ds));
  const std::wstring dir = NewFolder(L"bytype");
  const std::wstring msg = ExtractAllMembers(f.P, dir, false);
  const std::wstring F = dir + vtplatform::PathDelimiter();
  EXPECT_EQ(msg, L"Extracted 4 member(s) to " + F);
  EXPECT_EQ(ReadFile(F + L"A.txt"), std::string(80, 'A') + "\r\n");
  EXPECT_EQ(ReadFile(F + L"B.zip").substr(0, 4), "PK\x03\x04");
  EXPECT_EQ(ReadFile(F + L"C.dat"), "");
  const Bytes d = Text80("plain ascii");
  EXPECT_EQ(ReadFile(F + L"D.txt"), std::string(d.begin(), d.end()) + "\r\n");
  // With the subfolder flag the files go into a folder named after the data set; a second
  // run replaces them.
  for (int run = 0; run < 2; ++run) {
    const std::wstring m2 = ExtractAllMembers(f.P, dir, true);
    EXPECT_EQ(m2, L"Extracted 4 member(s) to " + F + L"USER.SRC" + vtplatform::PathDelimiter());
  }
  EXPECT_TRUE(vtplatform::FileExists(F + L"USER.SRC" + vtplatform::PathDelimiter() + L"A.txt"));
  TVTExtractOptions raw;
  raw.Raw = true;
  ExtractAllMembers(f.P, dir + L"raw", raw);
  EXPECT_EQ(ReadFile(dir + L"raw" + vtplatform::PathDelimiter() + L"A.bin"), std::string(80, '\xC1'));
}

TEST(Extract, SequentialDataSetAndNoDataMembers) {
  TSeqDataSet seq;
  seq.DSName = "USER.DATA";
  seq.Records = {Bytes(10, 0x40)};
  TLoaded s(TXmitBuilder().Sequential(seq));
  const std::wstring dir = NewFolder(L"seq");
  const std::wstring file = dir + vtplatform::PathDelimiter() + L"USER.DATA.txt";
  EXPECT_EQ(ExtractAllMembers(s.P, dir, true), L"Extracted " + file);
  EXPECT_EQ(ReadFile(file).substr(0, 26), "Dump of record #1, Length=");

  // A load-library alias whose main member is missing has no data: no file, and a second
  // line in the message; the extraction carries on.
  TPDSDataSet load = Library(0xC000, 0, {Member("PGM", {Bytes(100, 0x07)})});
  TPDSMember pgm = load.Members[0];
  pgm.Load = TLoadModuleAttrs();
  load.Members = {pgm};
  TLoadModuleAttrs orphan;
  orphan.MainName = "GONE";
  load.Aliases = {{"ALIAS1", "PGM", {}, orphan, {}}};
  TLoaded l(TXmitBuilder().PDS(load));
  const std::wstring d2 = NewFolder(L"load");
  const std::wstring F = d2 + vtplatform::PathDelimiter();
  EXPECT_EQ(ExtractAllMembers(l.P, d2, false), L"Extracted 2 member(s) to " + F + L"\n1 member(s) had no data");
  EXPECT_TRUE(vtplatform::FileExists(F + L"PGM.load"));
  EXPECT_FALSE(vtplatform::FileExists(F + L"ALIAS1.load"));
}

TEST(Extract, SafeNames) {
  const struct { const wchar_t* in; const wchar_t* out; } cases[] = {
      {L"ABC", L"ABC"},        {L"@#$12345", L"@#$12345"}, {L"A/B", L"A_B"},
      {L"..", L"__"},          {L".", L"_"},               {L"A\\B:C*", L"A_B_C_"},
      {L"X?\"<>|", L"X_____"}, {L"CON", L"_CON"},           {L"con.txt", L"_con.txt"},
      {L"COM1", L"_COM1"},     {L"LPT9.X", L"_LPT9.X"},     {L"COM0", L"COM0"},
      {L"CONX", L"CONX"},      {L"NAME.", L"NAME_"},        {L"A B ", L"A B_"},
      {L"", L"_"},             {L"A\x01" L"B", L"A_B"},     {L"USER.SRC", L"USER.SRC"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out) << vtplatform::ToUtf8(c.in);
}

TEST(Extract, HostileNamesStayInsideTheFolder) {
  // Member names with path characters and a data set name that tries to climb out; two
  // members whose names differ only in case.
  TPDSDataSet ds = Library(0x9000, 80, {Member("..", {Bytes(80, 0xC1)}), Member("A/B", {Bytes(80, 0xC1)}),
                                       Member("CON", {Bytes(80, 0xC1)}), Member("x", {Bytes(80, 0xC1)}),
                                       Member("X", {Bytes(80, 0xC1)})});
  ds.DSName = "..";
  TLoaded f(TXmitBuilder().PDS(ds));
  const std::wstring dir = NewFolder(L"hostile");
  const std::wstring F = dir + vtplatform::PathDelimiter();
  ExtractAllMembers(f.P, dir, true);
  const std::wstring sub = F + L"__" + vtplatform::PathDelimiter();
  for (const wchar_t* n : {L"__.txt", L"A_B.txt", L"_CON.txt", L"X.txt", L"x~2.txt"})
    EXPECT_TRUE(vtplatform::FileExists(sub + n)) << vtplatform::ToUtf8(n);
}

// Links planted in the output folder under the names extraction writes: each is replaced by
// the member's file, and nothing outside the folder changes. The expected files are those
// of an extraction into a clean folder.
TEST(Extract, LinksAtMemberNamesAreReplacedNotFollowed) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("ALLOC", {Bytes(80, 0xC1)}), Member("BIN", {Bytes(80, 0x00)})});
  TLoaded f(TXmitBuilder().PDS(ds));
  TTempDir tmp;
  const std::wstring clean = tmp.File(L"clean");
  ExtractAllMembers(f.P, clean, false);
  const std::string allocText = ReadFile(vtplatform::JoinPath(clean, L"ALLOC.txt"));
  const std::string binBytes = ReadFile(vtplatform::JoinPath(clean, L"BIN.bin"));

  const struct {
    const char* what;
    const wchar_t* target;  // in the folder "elsewhere"
    TLinkKind kind;
  } cases[] = {
      {"link to a file outside", L"profile", TLinkKind::File},
      {"dangling link", L"absent", TLinkKind::File},
      {"link to a folder outside", L"", TLinkKind::Folder},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (RunsUnderWine()) {
      // wine shows a Unix link to a file as the file and deletes targets through links.
      std::printf("[ SKIPPED  ] %s: wine cannot represent this link\n", c.what);
      continue;
    }
    const TOutsideAndOut dir;
    const std::wstring& elsewhere = dir.Elsewhere;
    const std::wstring& out = dir.Out;
    const std::wstring profile = vtplatform::JoinPath(elsewhere, L"profile");
    { vtplatform::TVTFileStream p(profile, vtplatform::TVTFileStream::TMode::Create); p.Write("PATH=x\n", 7); }
    const std::wstring target = vtplatform::JoinPath(elsewhere, c.target);
    for (const wchar_t* name : {L"ALLOC.txt", L"BIN.bin"}) {
      const std::string made = MakeLink(target, vtplatform::JoinPath(out, name), c.kind);
      if (!made.empty()) GTEST_SKIP() << made;
    }
    // Twice: the second run replaces the regular files the first one made.
    for (int run = 0; run < 2; ++run) ExtractAllMembers(f.P, out, false);
    EXPECT_TRUE(IsPlainFile(vtplatform::JoinPath(out, L"ALLOC.txt")));
    EXPECT_TRUE(IsPlainFile(vtplatform::JoinPath(out, L"BIN.bin")));
    EXPECT_EQ(ReadFile(vtplatform::JoinPath(out, L"ALLOC.txt")), allocText);
    EXPECT_EQ(ReadFile(vtplatform::JoinPath(out, L"BIN.bin")), binBytes);
    EXPECT_EQ(ReadFile(profile), "PATH=x\n");
    EXPECT_FALSE(vtplatform::FileExists(vtplatform::JoinPath(elsewhere, L"absent")));
    for (const wchar_t* name : {L"ALLOC.txt", L"BIN.bin"})
      EXPECT_FALSE(vtplatform::FileExists(vtplatform::JoinPath(elsewhere, name)));
  }
}

// The data set's subfolder is extraction's own name: a link there is refused with its name,
// and nothing is written where it points. The folder the caller names may be a link.
TEST(Extract, LinkedDataSetFolderIsRefused) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("ALLOC", {Bytes(80, 0xC1)})});
  TLoaded f(TXmitBuilder().PDS(ds));
  const struct {
    const char* what;
    bool dangling;
  } cases[] = {{"link to a folder outside", false}, {"dangling link", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.dangling && RunsUnderWine()) {
      std::printf("[ SKIPPED  ] %s: wine does not show a dangling link\n", c.what);
      continue;
    }
    const TOutsideAndOut dir;
    const std::wstring& elsewhere = dir.Elsewhere;
    const std::wstring& out = dir.Out;
    const std::wstring sub = vtplatform::JoinPath(out, L"USER.SRC");
    const std::wstring target = c.dangling ? vtplatform::JoinPath(elsewhere, L"gone") : elsewhere;
    const std::string made = MakeLink(target, sub, TLinkKind::Folder);
    if (!made.empty()) GTEST_SKIP() << made;
    try {
      ExtractAllMembers(f.P, out, true);
      ADD_FAILURE() << "extracted";
    } catch (const vtplatform::EVTPlatformError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot extract into folder " + vtplatform::ToUtf8(sub) +
                                           ": it is a link; remove it or extract elsewhere");
    }
    EXPECT_FALSE(vtplatform::FileExists(vtplatform::JoinPath(elsewhere, L"ALLOC.txt")));
    EXPECT_FALSE(vtplatform::DirectoryExists(vtplatform::JoinPath(elsewhere, L"gone")));

    // The caller's own folder given as a link is followed: that is the caller's choice.
    const std::wstring chosen = dir.Dir.File(L"chosen");
    ASSERT_EQ(MakeLink(elsewhere, chosen, TLinkKind::Folder), "");
    ExtractAllMembers(f.P, chosen, false);
    EXPECT_TRUE(vtplatform::FileExists(vtplatform::JoinPath(elsewhere, L"ALLOC.txt")));
    RemoveLink(chosen);
    RemoveLink(sub);
  }
}

// A folder that cannot be made names itself and the reason.
TEST(Extract, FolderErrorsGiveTheReason) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("ALLOC", {Bytes(80, 0xC1)})});
  TLoaded f(TXmitBuilder().PDS(ds));
  TTempDir dir;
  const std::wstring plain = dir.File(L"regular.txt");
  { vtplatform::TVTFileStream p(plain, vtplatform::TVTFileStream::TMode::Create); }
  for (bool subfolder : {false, true}) {
    try {
      ExtractAllMembers(f.P, vtplatform::JoinPath(plain, L"newsub"), subfolder);
      ADD_FAILURE() << "extracted";
    } catch (const vtplatform::EVTPlatformError& e) {
      const std::string msg = e.what();
#ifdef _WIN32
      EXPECT_EQ(msg, "Cannot create folder " + vtplatform::ToUtf8(plain) + ": " +
                         vtplatform::LastErrorText(ERROR_ALREADY_EXISTS));
#else
      EXPECT_EQ(msg, "Cannot create folder " + vtplatform::ToUtf8(vtplatform::JoinPath(plain, L"newsub")) +
                         ": Not a directory");
#endif
    }
  }
}
