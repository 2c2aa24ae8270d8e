// Real library formats read right: every variable-length format by its descriptors, content
// judged by the first record that holds data, ISPF statistics in fixed and variable libraries,
// and the blocked records of a fixed sequential data set.
#include <gtest/gtest.h>

#include "XmitTestUtil.h"
#include "common/VTStrUtils.h"
#include "platform/TempDir.h"
#include "xmit/VTXMIExtract.h"

using namespace vttest;
using CT = TVTXMIMemberContentType;

namespace {

// The lines of a text file written with CR LF line ends.
std::vector<std::string> FileLines(const std::wstring& path) {
  const std::string s = ReadFile(path);
  std::vector<std::string> out;
  size_t p = 0;
  while (p < s.size()) {
    const size_t e = s.find("\r\n", p);
    if (e == std::string::npos) {
      out.push_back(s.substr(p));
      break;
    }
    out.push_back(s.substr(p, e - p));
    p = e + 2;
  }
  return out;
}

Bytes Concat(const std::vector<Bytes>& blocks) {
  Bytes all;
  for (const Bytes& b : blocks) Append(all, b);
  return all;
}

vttest::TISPFStats SomeStats(uint32_t lines) {
  vttest::TISPFStats s;
  s.Version = 1;
  s.Mod = 2;
  s.Lines = lines;
  s.InitLines = lines;
  s.UserId = "WRITER";
  return s;
}

// MEM00000, MEM00001, ...
std::string MemberName(int i) {
  std::string digits = std::to_string(i);
  return "MEM" + std::string(5 - std::min<size_t>(5, digits.size()), '0') + digits;
}

const char* const kRecfmNames[] = {"V", "VB", "VBA", "VBM", "VA"};
const uint16_t kVariableRecfms[] = {0x4000, 0x5000, 0x5400, 0x5200, 0x4400};

}  // namespace

// One library per variable format, each member of two blocks in two data records, its first
// record empty: every reader sees the records by their descriptors.
TEST(VariableFormats, EveryReaderUsesTheDescriptors) {
  const std::vector<Bytes> recs = {Bytes(), Ebcdic("FIRST LINE OF TEXT"), Ebcdic("SECOND"),
                                   Bytes(), Ebcdic(std::string(90, 'X'))};
  const std::vector<Bytes> blocks = BlockVariable(recs, 4 + 4 + 4 + 18);
  ASSERT_EQ(blocks.size(), 3u);
  const Bytes data = Concat(blocks);
  for (size_t k = 0; k < 5; ++k) {
    SCOPED_TRACE(kRecfmNames[k]);
    TPDSMember doc = Member("DOC", blocks);
    doc.ISPF = SomeStats(5);
    TPDSDataSet ds = Library(kVariableRecfms[k], 100, {doc});
    ds.BlocksPerRecord = 1;
    TLoaded f(TXmitBuilder().PDS(ds));
    EXPECT_EQ(f.P.RecordFormat(), vtplatform::FromUtf8(kRecfmNames[k]));

    // The loader's figures.
    const TDirEntry* e = f.P.FindMember(L"DOC");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->RecCnt, 5);
    EXPECT_EQ(e->Size, static_cast<int64_t>(data.size()));
    EXPECT_EQ(e->MaxLRECL, 90u);
    EXPECT_EQ(f.P.MaxRecordLength(L"DOC"), 90);
    ASSERT_NE(e->ISPFStats, nullptr);

    // Text, translated and native.
    TVTStringList sl;
    f.P.SetConvertData(true);
    f.P.GetMemberData(L"DOC", sl, false);
    ASSERT_EQ(sl.Count(), 5u);
    EXPECT_EQ(sl[0], L"");
    EXPECT_EQ(sl[1], L"FIRST LINE OF TEXT");
    EXPECT_EQ(sl[4], std::wstring(90, L'X'));
    f.P.SetConvertData(false);
    f.P.GetMemberData(L"DOC", sl, false);
    ASSERT_EQ(sl.Count(), 5u);
    EXPECT_EQ(sl[2].size(), 6u);
    EXPECT_EQ(sl[2][0], wchar_t(0xE2));  // "S" in EBCDIC, read as an ANSI character

    // The hex dump and the host bytes: the blocks' data whole, descriptors included.
    f.P.GetMemberData(L"DOC", sl, true);
    EXPECT_EQ(sl.Count(), 1u + (data.size() + 31) / 32);
    std::string raw;
    EXPECT_TRUE(f.P.WriteRawMemberData(L"DOC", [&](const uint8_t* p, size_t n) { raw.append(reinterpret_cast<const char*>(p), n); }));
    EXPECT_EQ(raw, std::string(data.begin(), data.end()));

    // Content: the first record with data decides.
    EXPECT_EQ(f.P.GetContentType(L"DOC"), CT::ctEBCDICText);

    // The member list shows the statistics.
    f.P.GetMemberList(sl);
    ASSERT_EQ(sl.Count(), 3u);
    EXPECT_EQ(sl[0].substr(0, 10), L" Name     ");
    EXPECT_EQ(sl[2].substr(0, 8), L"DOC     ");
    EXPECT_NE(sl[2].find(L"WRITER"), std::wstring::npos);
  }
}

// A V library of many members extracts every member as the text it holds.
TEST(VariableFormats, LibraryOfManyMembersExtractsEveryOne) {
  std::vector<TPDSMember> members;
  for (int i = 0; i < 60; ++i) {
    const std::string name = MemberName(i);
    members.push_back(Member(name, BlockVariable({Ebcdic("LINE ONE OF " + name), Ebcdic("LINE TWO")}, 6233)));
  }
  TLoaded f(TXmitBuilder().PDS(Library(0x4000, 255, members)));
  TVTStringList list;
  f.P.GetMemberList(list);
  ASSERT_EQ(list.Count(), 62u);
  EXPECT_EQ(list[2].substr(0, 23), L"MEM00000" + vtstr::PadLeft(L"2", 15));  // two records
  TTempDir tmp;
  const std::wstring& dir = tmp.Path();
  ExtractAllMembers(f.P, dir, false);
  for (int i = 0; i < 60; ++i) {
    const std::string name = MemberName(i);
    const std::vector<std::string> lines = FileLines(vtplatform::JoinPath(dir, vtplatform::FromUtf8(name + ".txt")));
    ASSERT_EQ(lines.size(), 2u) << name;
    EXPECT_EQ(lines[0], "LINE ONE OF " + name);
    EXPECT_EQ(lines[1], "LINE TWO");
  }
}

// Content is judged by the first record that holds data, wherever it lies in the member.
TEST(ContentType, FirstRecordWithData) {
  const Bytes text = Ebcdic("SOURCE LINE");
  const Bytes ascii = {'a', 's', 'c', 'i', 'i', ' ', 't', 'e', 'x', 't'};
  Bytes damaged = BlockVariable({text}, 27998)[0];
  damaged[5] = 2;  // the record descriptor says 2: less than itself
  struct TCase {
    const char* what;
    std::vector<Bytes> blocks;
    size_t blocksPerRecord;
    CT expected;
  };
  const TCase cases[] = {
      {"empty first record", BlockVariable({Bytes(), text}, 27998), 0, CT::ctEBCDICText},
      {"ascii after empty records", BlockVariable({Bytes(), Bytes(), ascii}, 27998), 0, CT::ctASCIIText},
      {"empty records only", BlockVariable({Bytes(), Bytes(), Bytes()}, 27998), 0, CT::ctEmpty},
      // 100 empty records in blocks of 10, one block per data record: the text lies in the
      // eleventh data record of the member.
      {"data far into the member",
       [&] {
         std::vector<Bytes> r(100, Bytes());
         r.push_back(text);
         return BlockVariable(r, 4 + 10 * 4);
       }(),
       1, CT::ctEBCDICText},
      {"damaged descriptor first", {damaged}, 0, CT::ctBinary},
  };
  for (const TCase& c : cases) {
    TPDSDataSet ds = Library(0x5000, 255, {Member("M", c.blocks)});
    ds.BlocksPerRecord = c.blocksPerRecord;
    TLoaded f(TXmitBuilder().PDS(ds));
    EXPECT_EQ(f.P.GetContentType(L"M"), c.expected) << c.what;
  }

  // A sequential data set the same way.
  struct TSeqCase {
    const char* what;
    std::vector<Bytes> records;
    CT expected;
  };
  const TSeqCase seqCases[] = {
      {"empty first record", {Bytes(), Bytes(), text}, CT::ctEBCDICText},
      {"empty records only", {Bytes(), Bytes()}, CT::ctEmpty},
      {"no records", {}, CT::ctEmpty},
  };
  for (const TSeqCase& c : seqCases) {
    TSeqDataSet seq;
    seq.RECFM = 0x5000;
    seq.LRECL = 255;
    seq.Records = c.records;
    TLoaded f(TXmitBuilder().Sequential(seq));
    EXPECT_EQ(f.P.GetContentType(L""), c.expected) << c.what;
  }
}

// A sequential data set of F or FB records sent as whole blocks: each block is its records.
TEST(SequentialBlocks, FixedBlocksAreTheirRecords) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 33; ++i) lines.push_back("RECORD " + std::to_string(i));
  const std::vector<Bytes> recs = FixedRecords(lines, 80);
  const Bytes block = Concat(recs);  // 2,640 bytes: 33 records
  Bytes odd(100, 0xC1);              // no multiple of 80: one record as it stands
  struct TCase {
    const char* what;
    uint16_t recfm;
    size_t expected;  // records
  };
  const TCase cases[] = {
      {"FB", 0x9000, 33 + 1 + 1},
      {"F", 0x8000, 33 + 1 + 1},
      {"FBA", 0x9400, 1 + 1 + 1},  // only F and FB are cut
      {"VB", 0x5000, 1 + 1 + 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TSeqDataSet seq;
    seq.RECFM = c.recfm;
    seq.Records = {block, recs[0], odd};
    TLoaded f(TXmitBuilder().Sequential(seq));
    EXPECT_EQ(f.P.SeqRecordCount(), static_cast<int64_t>(c.expected));
    TVTStringList text;
    f.P.GetRecordText(text, 0);
    ASSERT_EQ(text.Count(), c.expected);
    TVTStringList dump;
    f.P.GetRecordData(dump, 0);
    const std::wstring pos = vtstr::FormatThousands(f.P.FirstSeqRecordPos());
    if (c.expected == 35) {
      EXPECT_EQ(text[0], L"RECORD 1" + std::wstring(72, L' '));
      EXPECT_EQ(text[32], L"RECORD 33" + std::wstring(71, L' '));
      EXPECT_EQ(text[33], L"RECORD 1" + std::wstring(72, L' '));
      EXPECT_EQ(text[34].size(), 100u);
      // Each record dumped on its own: title, header, 3 lines of 32 bytes, 2 empty lines.
      EXPECT_EQ(dump[0], L"Dump of record #1, Length=80 bytes, Offset=" + pos);
      EXPECT_EQ(dump[7], L"Dump of record #2, Length=80 bytes, Offset=" + pos);
      EXPECT_EQ(dump.Count(), 34u * 7u + (1u + 1u + 4u + 2u));
    } else {
      EXPECT_EQ(text[0].size(), 2640u);
      EXPECT_EQ(dump[0], L"Dump of record #1, Length=2,640 bytes, Offset=" + pos);
    }
    EXPECT_EQ(f.P.GetContentType(L""), CT::ctEBCDICText);

    // The extraction writes the same records.
    TTempDir tmp;
    ExtractAllMembers(f.P, tmp.Path(), false);
    const std::vector<std::string> file = FileLines(tmp.File(L"VANTREL.SAMPLE.DATA.txt"));
    ASSERT_EQ(file.size(), dump.Count());
    EXPECT_EQ(file[0], vtplatform::ToUtf8(dump[0]));
  }
}
