// Every real transmission of the shared corpus loads, and its index is complete.
#include <gtest/gtest.h>

#include <string>

#include "platform/VTPlatform.h"
#include "xmit/VTXMIParser.h"

namespace {

enum class Kind { Seq, Pds, Pdse };
struct TCorpusFile {
  const char* name;
  Kind kind;
  int count;    // data records of a sequential data set, or directory entries
  int aliases;  // alias entries among them
};

void PrintTo(const TCorpusFile& f, std::ostream* os) { *os << f.name; }

// Counts taken from the files' directories by an independent reading of the format.
const TCorpusFile kCorpus[] = {
    {"CBT008__KEYWORDH.xmi", Kind::Seq, 37, 0},
    {"CBT008__LOADLIB.xmi", Kind::Pds, 21, 4},
    {"CBT008__VBCLISTS.xmi", Kind::Pds, 5, 0},
    {"CBT1029__LOAD.xmi", Kind::Pds, 3, 0},
    {"CBT1046__ISPMLIB.xmi", Kind::Pdse, 1, 0},
    {"CBT1046__LOADLIB.xmi", Kind::Pds, 1, 0},
    {"CBT134__REVIEWME.xmi", Kind::Pds, 11, 0},
    {"CBT134__REVZLOAD.xmi", Kind::Pds, 20, 9},
    {"CBT134___REVLLIB.xmi", Kind::Pds, 12, 9},
    {"CBT207__LOADLIB.xmi", Kind::Pds, 9, 0},
    {"CBT417__EXEC.xmi", Kind::Pdse, 58, 0},
    {"CBT746__LOADLIB.xmi", Kind::Pds, 11, 0},
    {"CBT797__MACLIB.xmi", Kind::Pds, 176, 0},
    {"CBT797__SAMPLIST.xmi", Kind::Pds, 1, 0},
    {"CBT797__SAMPLOAD.xmi", Kind::Pds, 5, 4},
    {"CBT847__LOADLIB.xmi", Kind::Pds, 78, 0},
    {"CBT926__LOADLIB.xmi", Kind::Pds, 3, 0},
    {"CBT926__LOADPD51.xmi", Kind::Pdse, 1, 0},
    {"CBT939__JCL.xmi", Kind::Pdse, 49, 0},
    {"CBT939__SRCE.xmi", Kind::Pds, 52, 0},
    {"CBT939__TESTGREP", Kind::Seq, 617, 0},
    {"CBT953__PDSLOAD.xmi", Kind::Pds, 2, 1},
    {"CBT969__LOAD.xmi", Kind::Pdse, 3, 0},
    {"CBT969__PANELS.xmi", Kind::Pdse, 122, 0},
    {"IBM-Z-zOS__Samples__wlmsamp.bin", Kind::Pds, 27, 0},
    {"IBM-Z-zOS__dbsync__dbsync.rexx.xmit.bin", Kind::Seq, 8444, 0},
    {"IBM-Z-zOS__listcdt__listcdt.slo", Kind::Pds, 1, 0},
    {"IBM-Z-zOS__os390art__os390art.xmit.exp.data", Kind::Seq, 224, 0},
    {"IBM-Z-zOS__os390art__os390art.xmit.procs", Kind::Pds, 79, 0},
    {"IBM-Z-zOS__pwdcopy__Pwdcopy.jcl.xmit.old.bin", Kind::Pdse, 2, 0},
    {"IBM-Z-zOS__racfice__racfice.xmit", Kind::Pds, 76, 0},
    {"IBM-Z-zOS__rexxpwexit__ichpwx01.xmit", Kind::Pds, 2, 0},
    {"IBM-Z-zOS__wjssmf__irrsxt00.unload", Kind::Pds, 1, 0},
    {"TCPIPMonitor__COLIN.TCPMON.LOAD.XMIT", Kind::Pdse, 1, 0},
    {"brexx370__BREXX.V2R5M3.XMIT", Kind::Pds, 15, 0},
    {"kicks__kicks-source.zip__kicks-source.xmi", Kind::Pds, 19, 0},
    {"mvs__MOSHIX.WORK.SMF.XMIT", Kind::Pdse, 13, 0},
    {"mvs__sysgen__madnick_with_console.xmi", Kind::Pds, 8, 0},
    {"mvs_sysgen__CBT850.zip__FILE850.XMI", Kind::Pds, 50, 0},
    {"mvs_sysgen__FTPD__FTPD.xmi", Kind::Pds, 2, 0},
    {"mvs_sysgen__IMON370__i370data.xmi", Kind::Pds, 76, 0},
    {"mvs_sysgen__RAKF__RRKF004E.xmi", Kind::Pds, 1, 0},
    {"mvs_sysgen__original__ftpd_rac.xmi", Kind::Pds, 6, 0},
    {"sysgen__IMON370__i370load.xmi", Kind::Pds, 7, 0},
    {"sysgen__REVIEW__rev370ld.xmi", Kind::Pds, 14, 9},
    {"sysgen__REVIEW__revhelp.xmi", Kind::Pds, 15, 5},
    {"sysgen__RPF__LOADLIB.xmi", Kind::Pds, 56, 4},
    {"sysgen__brexx.xmi", Kind::Pds, 17, 0},
    {"tk4__SYS2.IEBUPDTX.USERGDE___txt.xmi", Kind::Pds, 1, 0},
    {"tk4__TK4-.BRUCE.CBT296.BLKDISK.ZIP__FILE296.XMI", Kind::Pds, 36, 0},
    {"tk4__TK4-.GREG.REVIEW.R46M6__UTILLOAD", Kind::Pds, 11, 4},
    {"tk4__TK4-.JUERGEN.HELP__HELP-XMI", Kind::Pds, 2, 0},
    {"tk4__TK4-.PETER.SIMULA__simula.xmi", Kind::Pds, 12, 0},
    {"tk4__TK4-.SCOTT.CBT755.JRP__FILE755.XMI", Kind::Pds, 49, 0},
    {"waziTerra__applibs_F1024.xmit", Kind::Seq, 200, 0},
    {"xmi__test_pds.xmi", Kind::Pds, 4, 0},
    {"xmi__test_pds_msg.xmi", Kind::Pds, 2, 0},
    {"xmi__test_seq.xmi", Kind::Seq, 33, 0},  // one 2,640-byte block of 80-byte records
};

// A file name as a test name: letters and digits, "_" for the rest.
std::string TestName(std::string n) {
  for (char& c : n)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

std::wstring CorpusPath(const char* name) {
  return vtplatform::FromUtf8(std::string(VT_CORPUS_DIR) + "/" + name);
}

class Corpus : public ::testing::TestWithParam<TCorpusFile> {};

TEST_P(Corpus, LoadsWithACompleteIndex) {
  const TCorpusFile& f = GetParam();
  const std::wstring path = CorpusPath(f.name);
  if (!vtplatform::FileExists(path)) GTEST_SKIP() << "corpus not present";
  TVTXMIParser p;
  ASSERT_NO_THROW(p.LoadXMIFile(path));
  if (f.kind == Kind::Seq) {
    EXPECT_EQ(p.UnloadType(), TVTUnloadType::utSeq);
    EXPECT_EQ(p.SeqRecordCount(), f.count);
    EXPECT_EQ(p.MemberCount(), 0);
    // The text view shows every record the loader counted (empty records included).
    TVTStringList sl;
    p.GetRecordText(sl, 0);
    EXPECT_EQ(static_cast<int64_t>(sl.Count()), f.count);
    return;
  }
  EXPECT_EQ(p.UnloadType(), f.kind == Kind::Pds ? TVTUnloadType::utPDS : TVTUnloadType::utPDSE);
  ASSERT_EQ(p.MemberCount(), f.count);
  int aliases = 0;
  for (int i = 0; i < p.MemberCount(); ++i) {
    const TDirEntry& e = p.MemberEntry(i);
    if (i > 0) {
      EXPECT_LT(p.MemberEntry(i - 1).Member, e.Member);
    }
    if (e.Alias) {
      ++aliases;
      continue;
    }
    EXPECT_NE(e.Offset, 0) << "member " << std::string(e.Member.begin(), e.Member.end());
    EXPECT_GT(e.XMIRecCnt, 0);
    EXPECT_EQ(p.FindMember(e.Member), &e);
  }
  EXPECT_EQ(aliases, f.aliases);
  EXPECT_EQ(p.UnmatchedMemberCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Shared, Corpus, ::testing::ValuesIn(kCorpus),
                         [](const ::testing::TestParamInfo<TCorpusFile>& info) { return TestName(info.param.name); });

// Libraries of variable records and a blocked sequential data set: what their members hold,
// counted by an independent reading of the records' descriptors.
struct TFormatFacts {
  const char* name;
  int64_t records;     // all members' records, or the sequential data set's
  int64_t size;        // all members' bytes (block data); not used for sequential data
  int textMembers;     // members judged EBCDIC text (the data set itself when sequential)
  int statsMembers;    // members with ISPF statistics
};

void PrintTo(const TFormatFacts& f, std::ostream* os) { *os << f.name; }

const TFormatFacts kFormatFacts[] = {
    {"tk4__SYS2.IEBUPDTX.USERGDE___txt.xmi", 3049, 212562, 1, 0},  // VBA 100
    {"CBT939__SRCE.xmi", 79249, 2987401, 52, 2},                    // VB 255, empty first lines
    {"CBT008__VBCLISTS.xmi", 95, 3777, 5, 5},                       // VB 255
    {"xmi__test_seq.xmi", 33, 0, 1, 0},                             // FB 80 sent as one block
};

class CorpusFormats : public ::testing::TestWithParam<TFormatFacts> {};

TEST_P(CorpusFormats, RecordsContentAndStatistics) {
  const TFormatFacts& f = GetParam();
  const std::wstring path = CorpusPath(f.name);
  if (!vtplatform::FileExists(path)) GTEST_SKIP() << "corpus not present";
  TVTXMIParser p;
  p.LoadXMIFile(path);
  if (p.UnloadType() == TVTUnloadType::utSeq) {
    EXPECT_EQ(p.SeqRecordCount(), f.records);
    TVTStringList sl;
    p.GetRecordText(sl, 0);
    EXPECT_EQ(static_cast<int64_t>(sl.Count()), f.records);
    EXPECT_EQ(p.GetContentType(L"") == TVTXMIMemberContentType::ctEBCDICText ? 1 : 0, f.textMembers);
    return;
  }
  int64_t records = 0, size = 0;
  int text = 0, stats = 0;
  TVTStringList sl;
  for (int i = 0; i < p.MemberCount(); ++i) {
    const TDirEntry& e = p.MemberEntry(i);
    records += e.RecCnt;
    size += e.Size;
    stats += e.ISPFStats ? 1 : 0;
    if (p.GetContentType(e.Member) == TVTXMIMemberContentType::ctEBCDICText) ++text;
    // The text view shows exactly the records the loader counted.
    p.GetMemberData(e.Member, sl, false);
    EXPECT_EQ(static_cast<int64_t>(sl.Count()), e.RecCnt);
  }
  EXPECT_EQ(records, f.records);
  EXPECT_EQ(size, f.size);
  EXPECT_EQ(text, f.textMembers);
  EXPECT_EQ(stats, f.statsMembers);
  EXPECT_EQ(p.INMR03List()[0]->FISPFStatsPresent, f.statsMembers > 0);
}

INSTANTIATE_TEST_SUITE_P(Shared, CorpusFormats, ::testing::ValuesIn(kFormatFacts),
                         [](const ::testing::TestParamInfo<TFormatFacts>& info) { return TestName(info.param.name); });

TEST(CorpusMessage, DataSetAfterTheMessage) {
  const std::wstring path = CorpusPath("xmi__test_pds_msg.xmi");
  if (!vtplatform::FileExists(path)) GTEST_SKIP() << "corpus not present";
  TVTXMIParser p;
  p.LoadXMIFile(path);
  EXPECT_TRUE(p.HasMessage());
  EXPECT_EQ(p.DSName(), L"PYTHON.XMI.PDS");
  EXPECT_EQ(p.RecordFormat(), L"FB");
  EXPECT_EQ(p.LRECL(), 80);
  EXPECT_EQ(p.UnloadType(), TVTUnloadType::utPDS);
  EXPECT_EQ(p.SeqRecordCount(), 0);
  TVTStringList lines;
  p.GetMessageLines(lines);
  ASSERT_GT(lines.Count(), 2u);
  EXPECT_EQ(lines[0].substr(0, 27), L"This is a test message for ");
}

}  // namespace
