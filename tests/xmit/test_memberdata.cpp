// Member data: text lines, hex dumps, host bytes, and the records of a sequential data set.
#include <gtest/gtest.h>

#include "XmitTestUtil.h"

using namespace vttest;

namespace {

std::vector<std::string> Lines(int n, const std::string& prefix = "LINE") {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back(prefix + " " + std::to_string(i + 1));
  return v;
}

}  // namespace

TEST(MemberText, FixedRecordsTranslatedAndNative) {
  const Bytes hello = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x40, 0xE6, 0xD6, 0xD9, 0xD3, 0xC4};
  Bytes rec = hello;
  rec.resize(80, 0x40);
  std::vector<Bytes> recs(117, rec);
  TXmitOptions o;
  TPDSDataSet ds = Library(0x9000, 80, {Member("HELLO", BlockFixed(recs, 80, 3120))});
  ds.MaxRecordBytes = 3200;  // one block per data record: the member spans three records
  TLoaded f(TXmitBuilder(o).PDS(ds));
  TVTStringList sl;
  f.P.GetMemberData(L" hello ", sl, false);
  ASSERT_EQ(sl.Count(), 117u);
  EXPECT_EQ(sl[0], L"HELLO WORLD" + std::wstring(69, L' '));  // trailing blanks kept
  f.P.SetConvertData(false);
  f.P.GetMemberData(L"HELLO", sl, false);
  ASSERT_EQ(sl.Count(), 117u);
  EXPECT_EQ(sl[0].size(), 80u);
  EXPECT_EQ(sl[0][0], wchar_t(0xC8));  // the host byte read as ANSI text
  EXPECT_EQ(f.P.MaxRecordLength(L"hello"), 80);
  EXPECT_EQ(f.P.MaxRecordLength(L"NONE"), 0);
  f.P.GetMemberData(L"NONE", sl, false);
  EXPECT_EQ(sl.Count(), 0u);
}

TEST(MemberText, VariableAndOtherFormats) {
  // Every variable format (V, VB, VBA, VBM, VA): one line per record descriptor, RL - 4
  // characters, an empty line for RL 4; the descriptors never show.
  const std::vector<Bytes> recs = {Ebcdic("FIRST"), Bytes(), Ebcdic("THIRD RECORD")};
  TVTStringList sl;
  for (uint16_t recfm : {uint16_t(0x4000), uint16_t(0x5000), uint16_t(0x5400), uint16_t(0x5200), uint16_t(0x4400)}) {
    TLoaded vb(TXmitBuilder().PDS(Library(recfm, 10, {Member("V", BlockVariable(recs, 27998))})));
    vb.P.GetMemberData(L"V", sl, false);
    ASSERT_EQ(sl.Count(), 3u) << std::hex << recfm;
    EXPECT_EQ(sl[0], L"FIRST");
    EXPECT_EQ(sl[1], L"");
    EXPECT_EQ(sl[2], L"THIRD RECORD");
  }

  // U with LRECL 0 gives a hex dump even in text mode.
  TLoaded load(TXmitBuilder().PDS(Library(0xC000, 0, {Member("PGM", {Bytes(40, 0x47)})})));
  load.P.GetMemberData(L"PGM", sl, false);
  ASSERT_EQ(sl.Count(), 3u);
  EXPECT_EQ(sl[0].substr(0, 12), L" <OFFSET>   ");
}

TEST(MemberText, EmptyMemberAndDumpMode) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("EMPTY", {}), Member("TWO", BlockFixed(FixedRecords(Lines(2), 80), 80, 3120))});
  TLoaded f(TXmitBuilder().PDS(ds));
  TVTStringList sl;
  f.P.GetMemberData(L"EMPTY", sl, false);
  EXPECT_EQ(sl.Count(), 0u);
  f.P.GetMemberData(L"EMPTY", sl, true);
  EXPECT_EQ(sl.Count(), 1u);  // the header alone
  f.P.GetMemberData(L"TWO", sl, true);
  EXPECT_EQ(sl.Count(), 1u + 5u);  // 160 bytes at 32 per line
}

TEST(MemberRaw, BytesAsStored) {
  const Bytes code = [] {
    Bytes b;
    for (int i = 0; i < 10000; ++i) b.push_back(static_cast<uint8_t>(i * 7));
    return b;
  }();
  std::vector<Bytes> vbBlocks = BlockVariable({Ebcdic("A"), Ebcdic("BC")}, 27998);
  struct TCase {
    TPDSDataSet ds;
    size_t expected;
  };
  std::vector<TCase> cases = {
      {Library(0x9000, 80, {Member("M", BlockFixed(FixedRecords(Lines(117), 80), 80, 3120))}), 117u * 80},
      {Library(0xC000, 0, {Member("M", BlockUndefined(code, 4096))}), code.size()},
      // VB keeps its block and record descriptors.
      {Library(0x5000, 255, {Member("M", vbBlocks)}), vbBlocks[0].size()},
  };
  for (const TCase& c : cases) {
    TLoaded f(TXmitBuilder().PDS(c.ds));
    const std::wstring out = vtplatform::TempFileName(L"raw");
    f.P.SaveRawMemberData(L"m", out);
    const std::string bytes = ReadFile(out);
    EXPECT_EQ(bytes.size(), c.expected) << c.ds.RECFM;
    vtplatform::RemoveFile(out);
  }
  TLoaded f(TXmitBuilder().PDS(Library(0xC000, 0, {Member("M", BlockUndefined(code, 4096))})));
  std::string collected;
  EXPECT_TRUE(f.P.WriteRawMemberData(L"M", [&](const uint8_t* p, size_t n) { collected.append(reinterpret_cast<const char*>(p), n); }));
  EXPECT_EQ(collected, std::string(code.begin(), code.end()));
  // No such member: no file at all.
  const std::wstring none = vtplatform::TempFolder() + L"vt_no_such_member.bin";
  f.P.SaveRawMemberData(L"NOPE", none);
  EXPECT_FALSE(vtplatform::FileExists(none));
}

TEST(MemberRaw, SourceAliasSharesItsMembersData) {
  TPDSDataSet ds = Library(0x9000, 80, {Member("MAIN", BlockFixed(FixedRecords(Lines(3), 80), 80, 3120))});
  ds.Aliases = {{"OTHER", "MAIN", {}, {}, {}}};
  TLoaded f(TXmitBuilder().PDS(ds));
  TVTStringList a, b;
  f.P.GetMemberData(L"MAIN", a, false);
  f.P.GetMemberData(L"OTHER", b, false);
  EXPECT_EQ(a.Lines(), b.Lines());
  EXPECT_EQ(a.Count(), 3u);
  EXPECT_EQ(f.P.GetContentType(L"OTHER"), TVTXMIMemberContentType::ctEBCDICText);
}

TEST(SequentialText, EveryRecordOneLine) {
  TSeqDataSet ds;
  for (const std::string& l : Lines(100)) ds.Records.push_back(Ebcdic(l));
  TLoaded f(TXmitBuilder().Sequential(ds));
  TVTStringList sl;
  f.P.GetRecordText(sl, 5);  // limits nothing
  ASSERT_EQ(sl.Count(), 100u);
  EXPECT_EQ(sl[0], L"LINE 1");
  EXPECT_EQ(sl[99], L"LINE 100");
}

TEST(MemberDump, BlocksOfAnySizeGiveTheDumpOfTheWholeData) {
  // Blocks whose sizes are no multiple of the line width: the dump made block by block has
  // the lines of one dump of all the data.
  Bytes code;
  for (int i = 0; i < 1000; ++i) code.push_back(static_cast<uint8_t>(i * 13 + 1));
  for (size_t blockSize : {size_t(37), size_t(32), size_t(1), size_t(999)}) {
    TLoaded f(TXmitBuilder().PDS(Library(0xC000, 0, {Member("M", BlockUndefined(code, blockSize))})));
    TVTStringList streamed, whole;
    f.P.GetMemberData(L"M", streamed, true);
    f.P.HexDumpBuffer(code.data(), whole, static_cast<int64_t>(code.size()), 32);
    EXPECT_EQ(streamed.Lines(), whole.Lines()) << blockSize;
  }
}
