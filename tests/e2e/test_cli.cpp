// unfurl run in-process on the project's samples: the command line, each subcommand's output
// and the files extraction writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../platform/TempDir.h"
#include "CliTestUtil.h"
#include "JsonRead.h"
#include "common/VTStrUtils.h"
#include "support/XmitWriter.h"

using clitest::Unfurl;
using clitest::Sample;
using clitest::TRun;

namespace {

// ---- The command line ----

struct TUsageCase {
  std::vector<std::wstring> Args;
  int Rc;
  const wchar_t* Expect;  // text the one error line (or, for help, the output) holds
};

TEST(CliCommandLine, UsageErrorsAndHelp) {
  const std::wstring f = Sample("sample_pds_fb80.xmi");
  const TUsageCase cases[] = {
      {{}, 2, L"usage: unfurl"},
      {{L"frob"}, 2, L"unknown command 'frob'"},
      {{L"--frob"}, 2, L"unknown option '--frob'"},
      {{L"info"}, 2, L"missing FILE"},
      {{L"show", f}, 2, L"missing MEMBER"},
      {{L"info", f, f}, 2, L"unexpected argument"},
      {{L"extract", f, L"dir", L"more"}, 2, L"unexpected argument 'more'"},
      {{L"info", f, L"--bad"}, 2, L"unknown option '--bad'"},
      {{L"--bad", L"info", f}, 2, L"unknown option '--bad'"},
      {{L"dump", f, L"--json"}, 2, L"unknown option '--json'"},
      {{L"records", f, L"--native"}, 2, L"unknown option '--native'"},
      {{L"show", f, L"HELLO", L"--raw", L"--hex"}, 2, L"--raw"},
      {{L"help", L"frob"}, 2, L"unknown command 'frob'"},
      {{L"--help"}, 0, L"unfurl extract FILE [DIR]"},
      {{L"-h"}, 0, L"unfurl show FILE MEMBER"},
      {{L"help"}, 0, L"Exit codes"},
      {{L"help", L"show"}, 0, L"--native"},
      {{L"show", L"--help"}, 0, L"usage: unfurl show"},
      {{L"extract", f, L"--frob", L"--help"}, 0, L"--subdir"},
  };
  for (const TUsageCase& c : cases) {
    std::wstring line;
    for (const std::wstring& a : c.Args) line += a + L" ";
    SCOPED_TRACE(clitest::Utf8(line));
    const TRun r = Unfurl(c.Args);
    EXPECT_EQ(r.Rc, c.Rc);
    if (c.Rc == 0) {
      EXPECT_NE(r.Out.Data.find(clitest::Utf8(c.Expect)), std::string::npos) << r.Out.Data;
      EXPECT_TRUE(r.Err.Lines.empty());
    } else if (!c.Args.empty()) {
      ASSERT_EQ(r.Err.Lines.size(), 1u) << r.Err.Data;
      EXPECT_NE(r.Err.Lines[0].find(c.Expect), std::wstring::npos) << r.Err.Data;
      EXPECT_EQ(r.Err.Lines[0].rfind(L"unfurl", 0), 0u);
      EXPECT_TRUE(r.Out.Lines.empty());
    } else {
      // No arguments at all: the usage text, on the error stream.
      EXPECT_NE(r.Err.Data.find(clitest::Utf8(c.Expect)), std::string::npos);
    }
  }
}

TEST(CliCommandLine, OptionsAnywhereAfterTheCommand) {
  const std::wstring f = Sample("sample_pds_fb80.xmi");
  const TRun a = Unfurl({L"show", f, L"HELLO", L"--native"});
  const TRun b = Unfurl({L"show", L"--native", f, L"HELLO"});
  ASSERT_EQ(a.Rc, 0);
  EXPECT_EQ(b.Rc, 0);
  EXPECT_EQ(a.Out.Data, b.Out.Data);
  // After "--" an option-like word is an argument: here a file that does not exist.
  const TRun c = Unfurl({L"info", L"--", L"--json"});
  clitest::ExpectOneLineFailure(c, L"--json");
}

TEST(CliCommandLine, UnreadableFilesFailWithOneLine) {
  TTempDir tmp;
  const std::wstring missing = tmp.File(L"missing.xmi");
  const std::wstring empty = tmp.File(L"empty.xmi");
  const std::wstring junk = tmp.File(L"junk.xmi");
  { vtplatform::TVTFileStream f(empty, vtplatform::TVTFileStream::TMode::Create); }
  {
    vtplatform::TVTFileStream f(junk, vtplatform::TVTFileStream::TMode::Create);
    const std::string text = "this is not\nan XMIT file\n";
    f.Write(text.data(), text.size());
  }
  for (const std::wstring& file : {missing, empty, junk, tmp.Path()}) {
    for (const wchar_t* cmd : {L"info", L"list", L"dump", L"extract"}) {
      SCOPED_TRACE(clitest::Utf8(std::wstring(cmd) + L" " + file));
      clitest::ExpectOneLineFailure(Unfurl({cmd, file}), file);
    }
  }
}

// ---- info and list ----

struct TSampleCase {
  const char* File;
  const wchar_t* DSName;
  const wchar_t* Org;
  const wchar_t* Recfm;
  int Lrecl;
  const wchar_t* Unload;
  int Count;  // members, or records of a sequential data set
  std::vector<std::wstring> Members;
  std::vector<std::wstring> Aliases;
};

// What samples/README.md says the samples hold.
const std::vector<TSampleCase>& Samples() {
  static const std::vector<TSampleCase> k = {
      {"sample_pds_fb80.xmi", L"VANTREL.SAMPLE.JCL", L"PO", L"FB", 80, L"PDS", 6,
       {L"ALLOC", L"COMPILE", L"HELLO", L"PAYROLL", L"README", L"RUNPAY"}, {L"RUNPAY"}},
      {"sample_seq_fb80.xmi", L"VANTREL.SAMPLE.DATA", L"PS", L"FB", 80, L"sequential", 33, {}, {}},
      {"sample_loadlib.xmi", L"VANTREL.SAMPLE.LOAD", L"PO", L"U", 0, L"PDS", 4,
       {L"HELLO", L"HI", L"LISTER", L"SCATTER"}, {L"HI"}},
      {"sample_pds_vb.xmi", L"VANTREL.SAMPLE.CLIST", L"PO", L"VB", 255, L"PDS", 3,
       {L"COUNTMEM", L"HELLO", L"LONGLINE"}, {}},
      {"sample_pdse.xmi", L"VANTREL.SAMPLE.PDSE.JCL", L"PO", L"FB", 80, L"PDSE", 3,
       {L"ALLOC", L"COMPILE", L"HELLO"}, {}},
      {"sample_msg.xmi", L"VANTREL.SAMPLE.JCL", L"PO", L"FB", 80, L"PDS", 2,
       {L"ALLOC", L"COMPILE"}, {}},
  };
  return k;
}

// "Key:   value" lines of info as a map (the message lines that follow "Message:" excluded).
std::map<std::wstring, std::wstring> InfoFields(const TRun& r) {
  std::map<std::wstring, std::wstring> m;
  for (const std::wstring& l : r.Out.Lines) {
    if (l == L"Message:") break;
    const size_t colon = l.find(L':');
    if (colon == std::wstring::npos) continue;
    m[l.substr(0, colon)] = vtstr::Trim(l.substr(colon + 1));
  }
  return m;
}

const std::vector<std::wstring> kMessage = {
    L"Hello USER2,",
    L"",
    L"here is the JCL library we talked about. Receive it with",
    L"   RECEIVE INDATASET('USER2.SAMPLE.XMI')",
    L"and answer the prompt with DSNAME('USER2.SAMPLE.JCL').",
    L"",
    L"Regards, USER1",
};

TEST(CliInfo, ShowsTheDataSetOfEverySample) {
  for (const TSampleCase& s : Samples()) {
    SCOPED_TRACE(s.File);
    const TRun r = Unfurl({L"info", Sample(s.File)});
    ASSERT_EQ(r.Rc, 0) << r.Err.Data;
    EXPECT_TRUE(r.Err.Lines.empty());
    auto f = InfoFields(r);
    EXPECT_EQ(f[L"Data set"], s.DSName);
    EXPECT_EQ(f[L"Organisation"], s.Org);
    EXPECT_EQ(f[L"Record format"], s.Recfm);
    EXPECT_EQ(f[L"LRECL"], vtstr::IntToStr(s.Lrecl));
    EXPECT_EQ(f[L"Unload type"], s.Unload);
    const bool seq = s.Members.empty();
    EXPECT_EQ(f[seq ? L"Records" : L"Members"], vtstr::IntToStr(s.Count));
    EXPECT_EQ(f.count(seq ? L"Members" : L"Records"), 0u);
    EXPECT_EQ(f[L"Origin node"], L"NODE1");
    EXPECT_EQ(f[L"Origin user"], L"USER1");

    std::vector<std::wstring> message;
    bool in = false;
    for (const std::wstring& l : r.Out.Lines) {
      if (in) message.push_back(l.substr(0, 2) == L"  " ? l.substr(2) : L"?" + l);
      in = in || l == L"Message:";
    }
    const bool hasMessage = std::string(s.File) == "sample_msg.xmi";
    EXPECT_EQ(message, hasMessage ? kMessage : std::vector<std::wstring>());
  }
}

TEST(CliInfo, JsonHoldsTheSameFields) {
  for (const TSampleCase& s : Samples()) {
    SCOPED_TRACE(s.File);
    const TRun r = Unfurl({L"info", L"--json", Sample(s.File)});
    ASSERT_EQ(r.Rc, 0) << r.Err.Data;
    const jsonread::TValue v = jsonread::Parse(r.Out.Data);
    EXPECT_EQ(v[L"file"].String, Sample(s.File));
    EXPECT_EQ(v[L"dsname"].String, s.DSName);
    EXPECT_EQ(v[L"organisation"].String, s.Org);
    EXPECT_EQ(v[L"recfm"].String, s.Recfm);
    EXPECT_EQ(v[L"lrecl"].Number, s.Lrecl);
    EXPECT_EQ(v[L"unload_type"].String, s.Unload);
    EXPECT_EQ(v[s.Members.empty() ? L"records" : L"members"].Number, s.Count);
    EXPECT_EQ(v[L"origin_node"].String, L"NODE1");
    EXPECT_EQ(v[L"origin_user"].String, L"USER1");
    if (std::string(s.File) == "sample_msg.xmi") {
      std::vector<std::wstring> lines;
      for (const jsonread::TValue& l : v[L"message"].Items) lines.push_back(l.String);
      EXPECT_EQ(lines, kMessage);
    } else {
      EXPECT_TRUE(v[L"message"].IsNull());
    }
  }
}

TEST(CliList, OneLinePerMemberAfterTheHeader) {
  for (const TSampleCase& s : Samples()) {
    SCOPED_TRACE(s.File);
    const TRun r = Unfurl({L"list", Sample(s.File)});
    ASSERT_EQ(r.Rc, 0) << r.Err.Data;
    ASSERT_EQ(r.Out.Lines.size(), s.Members.size() + 2);
    for (size_t i = 0; i < s.Members.size(); ++i) {
      EXPECT_EQ(r.Out.Lines[i + 2].substr(0, 8), vtstr::PadRight(s.Members[i], 8));
    }
  }
}

TEST(CliList, JsonObjectPerMember) {
  for (const TSampleCase& s : Samples()) {
    SCOPED_TRACE(s.File);
    const TRun r = Unfurl({L"list", Sample(s.File), L"--json"});
    ASSERT_EQ(r.Rc, 0) << r.Err.Data;
    const jsonread::TValue v = jsonread::Parse(r.Out.Data);
    ASSERT_EQ(v.Kind, jsonread::TValue::TKind::Array);
    ASSERT_EQ(v.Items.size(), s.Members.size());
    for (size_t i = 0; i < s.Members.size(); ++i) {
      const jsonread::TValue& m = v.Items[i];
      EXPECT_EQ(m[L"name"].String, s.Members[i]);
      bool alias = false;
      for (const std::wstring& a : s.Aliases) alias = alias || a == s.Members[i];
      EXPECT_EQ(m[L"alias"].Bool, alias) << clitest::Utf8(s.Members[i]);
      EXPECT_TRUE(m[L"has_data"].Bool) << clitest::Utf8(s.Members[i]);
      for (const wchar_t* k : {L"tt", L"r", L"records", L"size"}) {
        EXPECT_EQ(m[k].Kind, jsonread::TValue::TKind::Number) << clitest::Utf8(k);
      }
      EXPECT_TRUE(m.Has(L"ispf") && m.Has(L"load"));
    }
  }
}

// Member statistics as make_samples writes them.
TEST(CliList, JsonStatisticsOfKnownMembers) {
  auto member = [](const char* file, const wchar_t* name) {
    const TRun r = Unfurl({L"list", Sample(file), L"--json"});
    EXPECT_EQ(r.Rc, 0);
    const jsonread::TValue v = jsonread::Parse(r.Out.Data);
    for (const jsonread::TValue& m : v.Items) {
      if (m[L"name"].String == name) return m;
    }
    ADD_FAILURE() << "no member " << clitest::Utf8(name);
    return jsonread::TValue();
  };
  const jsonread::TValue alloc = member("sample_pds_fb80.xmi", L"ALLOC");
  EXPECT_EQ(alloc[L"records"].Number, 11);
  EXPECT_EQ(alloc[L"size"].Number, 11 * 80);
  const jsonread::TValue& st = alloc[L"ispf"];
  EXPECT_EQ(st[L"version"].Number, 1);
  EXPECT_EQ(st[L"modification"].Number, 2);
  EXPECT_EQ(st[L"created"].String, L"2023-02-09");
  EXPECT_EQ(st[L"changed"].String, L"2024-01-12T09:15:42");
  EXPECT_EQ(st[L"lines"].Number, 11);
  EXPECT_EQ(st[L"init_lines"].Number, 9);
  EXPECT_EQ(st[L"mod_lines"].Number, 2);
  EXPECT_EQ(st[L"user"].String, L"USER1");
  EXPECT_FALSE(st[L"extended"].Bool);
  EXPECT_TRUE(alloc[L"load"].IsNull());

  // Day 60 of a leap year.
  EXPECT_EQ(member("sample_pds_fb80.xmi", L"README")[L"ispf"][L"changed"].String,
            L"2024-02-29T12:00:00");
  // The alias of a source member carries that member's statistics.
  EXPECT_EQ(member("sample_pds_fb80.xmi", L"RUNPAY")[L"ispf"][L"changed"].String,
            L"2024-01-20T14:02:07");
  const jsonread::TValue ext = member("sample_pdse.xmi", L"COMPILE")[L"ispf"];
  EXPECT_TRUE(ext[L"extended"].Bool);
  EXPECT_EQ(ext[L"user"].String, L"USER3");
  EXPECT_EQ(ext[L"created"].String, L"2023-02-10");
  EXPECT_EQ(ext[L"changed"].String, L"2024-01-21T10:05:30");

  const jsonread::TValue hello = member("sample_loadlib.xmi", L"HELLO");
  const jsonread::TValue hi = member("sample_loadlib.xmi", L"HI");
  EXPECT_TRUE(hello[L"ispf"].IsNull());
  EXPECT_TRUE(hello[L"load"][L"alias_of"].IsNull());
  EXPECT_EQ(hi[L"load"][L"alias_of"].String, L"HELLO");
  EXPECT_GT(hello[L"load"][L"size"].Number, 0);
  EXPECT_EQ(hi[L"load"][L"size"].Number, hello[L"load"][L"size"].Number);
  EXPECT_EQ(hello[L"load"][L"amode"].String, L"24");
  EXPECT_EQ(hello[L"load"][L"rmode"].String, L"24");
  EXPECT_EQ(hello[L"load"][L"ac"].String, L"00");  // as the text layout shows it
  EXPECT_EQ(hi[L"tt"].Number, hello[L"tt"].Number);
  EXPECT_EQ(hi[L"r"].Number, hello[L"r"].Number);
}

// ---- show, records, dump ----

struct TShowCase {
  const char* File;
  std::vector<std::wstring> Args;  // member and options
  size_t Lines;
  const wchar_t* First;  // what the first line starts with
  size_t Width;          // every line's length; 0: any
};

TEST(CliShow, MemberLines) {
  const TShowCase cases[] = {
      {"sample_pds_fb80.xmi", {L"HELLO"}, 9, L"/* REXX - GREET THE CALLER", 80},
      {"sample_pds_fb80.xmi", {L"hello"}, 9, L"/* REXX - GREET THE CALLER", 80},
      {"sample_pds_fb80.xmi", {L"RUNPAY"}, 18, L"//USER1C   JOB (ACCT),'COMPILE PAYROLL'", 80},
      {"sample_pds_vb.xmi", {L"HELLO"}, 9, L"/* REXX - GREET THE CALLER AND SHOW THE DATE */", 0},
      {"sample_pdse.xmi", {L"COMPILE"}, 18, L"//USER1C   JOB", 80},
      {"sample_msg.xmi", {L"ALLOC"}, 11, L"//USER1A   JOB", 80},
      // EBCDIC "/*" (61 5C) read as ANSI bytes.
      {"sample_pds_fb80.xmi", {L"HELLO", L"--native"}, 9, L"a\\", 80},
      // 720 bytes at 32 a line, after the header.
      {"sample_pds_fb80.xmi", {L"--hex", L"HELLO"}, 24, L" <OFFSET>   <---", 121},
      // A load module (RECFM U, no LRECL) shows as a dump without --hex.
      {"sample_loadlib.xmi", {L"HI"}, 0, L" <OFFSET>   <---", 121},
  };
  for (const TShowCase& c : cases) {
    std::vector<std::wstring> args = {L"show", Sample(c.File)};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    SCOPED_TRACE(std::string(c.File) + " " + clitest::Utf8(c.Args[0]));
    const TRun r = Unfurl(args);
    ASSERT_EQ(r.Rc, 0) << r.Err.Data;
    if (c.Lines) {
      EXPECT_EQ(r.Out.Lines.size(), c.Lines);
    }
    ASSERT_FALSE(r.Out.Lines.empty());
    EXPECT_EQ(r.Out.Lines[0].rfind(c.First, 0), 0u) << clitest::Utf8(r.Out.Lines[0]);
    for (const std::wstring& l : r.Out.Lines) {
      if (c.Width) {
        EXPECT_EQ(l.size(), c.Width) << clitest::Utf8(l);
      }
    }
  }
  // A variable-length record longer than 80 stays one line.
  const TRun r = Unfurl({L"show", Sample("sample_pds_vb.xmi"), L"LONGLINE"});
  ASSERT_EQ(r.Out.Lines.size(), 5u);
  EXPECT_GT(r.Out.Lines[1].size(), 80u);
}

TEST(CliShow, RawBytesAreTheExtractedRawFile) {
  TTempDir tmp;
  for (const TSampleCase& s : Samples()) {
    if (s.Members.empty()) continue;
    SCOPED_TRACE(s.File);
    const std::wstring dir = tmp.File(vtplatform::FromUtf8(s.File));
    ASSERT_EQ(Unfurl({L"extract", Sample(s.File), dir, L"--raw"}).Rc, 0);
    for (const std::wstring& m : s.Members) {
      const TRun r = Unfurl({L"show", Sample(s.File), m, L"--raw"});
      ASSERT_EQ(r.Rc, 0) << r.Err.Data;
      EXPECT_TRUE(r.Out.Lines.empty());
      EXPECT_FALSE(r.Out.Data.empty()) << clitest::Utf8(m);
      EXPECT_EQ(r.Out.Data, clitest::ReadBytes(vtplatform::JoinPath(dir, m + L".bin")))
          << clitest::Utf8(m);
    }
  }
  // A fixed-length member: its records back to back, untranslated ("/*" in EBCDIC first).
  const TRun r = Unfurl({L"show", Sample("sample_pds_fb80.xmi"), L"HELLO", L"--raw"});
  ASSERT_EQ(r.Out.Data.size(), 9u * 80u);
  EXPECT_EQ(r.Out.Data.substr(0, 2), "\x61\x5c");
}

TEST(CliShow, Failures) {
  const std::wstring pds = Sample("sample_pds_fb80.xmi");
  const std::wstring seq = Sample("sample_seq_fb80.xmi");
  const TRun missing = Unfurl({L"show", pds, L"NOPE"});
  clitest::ExpectOneLineFailure(missing, pds);
  EXPECT_NE(missing.Err.Lines[0].find(L"member NOPE not found"), std::wstring::npos);
  clitest::ExpectOneLineFailure(Unfurl({L"show", pds, L"NOPE", L"--raw"}), pds);
  clitest::ExpectOneLineFailure(Unfurl({L"show", seq, L"HELLO"}), seq);
  clitest::ExpectOneLineFailure(Unfurl({L"records", pds}), pds);
  clitest::ExpectOneLineFailure(Unfurl({L"records", pds, L"--hex"}), pds);
}

TEST(CliRecords, TextAndDumpOfASequentialDataSet) {
  const std::wstring seq = Sample("sample_seq_fb80.xmi");
  const TRun text = Unfurl({L"records", seq});
  ASSERT_EQ(text.Rc, 0) << text.Err.Data;
  ASSERT_EQ(text.Out.Lines.size(), 33u);
  EXPECT_EQ(text.Out.Lines[0],
            vtstr::PadRight(L"* SAMPLE CONTROL FILE FOR THE NIGHTLY BATCH RUN", 80));
  for (const std::wstring& l : text.Out.Lines) EXPECT_EQ(l.size(), 80u);

  const TRun hex = Unfurl({L"records", L"--hex", seq});
  ASSERT_EQ(hex.Rc, 0) << hex.Err.Data;
  ASSERT_FALSE(hex.Out.Lines.empty());
  EXPECT_EQ(hex.Out.Lines[0].rfind(L"Dump of record #1, Length=80 bytes, Offset=", 0), 0u);
  size_t titles = 0;
  for (const std::wstring& l : hex.Out.Lines) titles += l.rfind(L"Dump of record #", 0) == 0;
  EXPECT_EQ(titles, 33u);
}

TEST(CliDump, EveryLogicalRecordUpToINMR06) {
  const TRun r = Unfurl({L"dump", Sample("sample_pds_fb80.xmi")});
  ASSERT_EQ(r.Rc, 0) << r.Err.Data;
  ASSERT_GT(r.Out.Lines.size(), 10u);
  EXPECT_EQ(r.Out.Lines[0].rfind(L"Dump of control record INMR01 length=", 0), 0u);
  std::wstring lastTitle;
  bool annotated = false;
  for (const std::wstring& l : r.Out.Lines) {
    if (l.rfind(L"Dump of ", 0) == 0) lastTitle = l;
    annotated = annotated || l.find(L" of Member: ALLOC)") != std::wstring::npos;
  }
  EXPECT_EQ(lastTitle.rfind(L"Dump of control record INMR06", 0), 0u);
  EXPECT_TRUE(annotated);
}

// ---- extract ----

struct TExtractCase {
  const char* File;
  std::vector<std::wstring> Options;
  const wchar_t* Subfolder;  // where the files go, below the target folder; "" for none
  std::vector<std::wstring> Files;
  const wchar_t* Message;  // what the completion message starts with
};

TEST(CliExtract, WritesTheExpectedFiles) {
  const TExtractCase cases[] = {
      {"sample_pds_fb80.xmi", {}, L"",
       {L"ALLOC.txt", L"COMPILE.txt", L"HELLO.txt", L"PAYROLL.txt", L"README.txt", L"RUNPAY.txt"},
       L"Extracted 6 member(s) to "},
      {"sample_loadlib.xmi", {L"--subdir"}, L"VANTREL.SAMPLE.LOAD",
       {L"HELLO.load", L"HI.load", L"LISTER.load", L"SCATTER.load"}, L"Extracted 4 member(s) to "},
      {"sample_pds_vb.xmi", {L"--raw"}, L"", {L"COUNTMEM.bin", L"HELLO.bin", L"LONGLINE.bin"},
       L"Extracted 3 member(s) to "},
      {"sample_msg.xmi", {L"--subdir"}, L"VANTREL.SAMPLE.JCL", {L"ALLOC.txt", L"COMPILE.txt"},
       L"Extracted 2 member(s) to "},
      // A sequential data set: one file, and no subfolder.
      {"sample_seq_fb80.xmi", {L"--subdir"}, L"", {L"VANTREL.SAMPLE.DATA.txt"}, L"Extracted "},
  };
  for (const TExtractCase& c : cases) {
    SCOPED_TRACE(c.File);
    TTempDir tmp;
    std::vector<std::wstring> args = {L"extract", Sample(c.File), tmp.Path()};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    const TRun r = Unfurl(args);
    ASSERT_EQ(r.Rc, 0) << r.Err.Data;
    ASSERT_FALSE(r.Out.Lines.empty());
    EXPECT_EQ(r.Out.Lines[0].rfind(c.Message, 0), 0u) << clitest::Utf8(r.Out.Lines[0]);
    EXPECT_NE(r.Out.Lines[0].find(tmp.Path()), std::wstring::npos);
    const std::wstring sub = std::wstring(c.Subfolder);
    if (!sub.empty()) {
      EXPECT_EQ(clitest::ListDir(tmp.Path()), std::vector<std::wstring>{sub});
      EXPECT_EQ(clitest::ListDir(tmp.File(sub)), c.Files);
    } else {
      EXPECT_EQ(clitest::ListDir(tmp.Path()), c.Files);
    }
  }
}

TEST(CliExtract, TextFileHoldsTheLinesWithCRLF) {
  TTempDir tmp;
  ASSERT_EQ(Unfurl({L"extract", Sample("sample_pds_fb80.xmi"), tmp.Path()}).Rc, 0);
  const TRun lines = Unfurl({L"show", Sample("sample_pds_fb80.xmi"), L"ALLOC"});
  std::string expected;
  for (const std::wstring& l : lines.Out.Lines) expected += clitest::Utf8(l) + "\r\n";
  EXPECT_EQ(clitest::ReadBytes(tmp.File(L"ALLOC.txt")), expected);
  EXPECT_EQ(expected.size(), 11u * 82u);
}

TEST(CliExtract, Utf8TextFilesKeepEveryCharacter) {
  // The files hold what "show --utf8" prints, with CR LF line ends: umlauts (273) and Greek
  // letters (875: 41 42 43 are Alpha, Beta, Gamma, which the ANSI code page lacks) alike.
  TTempDir tmp;
  vttest::TPDSDataSet greek;
  greek.DSName = "VANTREL.GREEK";
  vttest::TPDSMember m;
  m.Name = "BRIEF";
  // Mostly Latin letters, so that the member is judged text.
  vttest::Bytes rec = vttest::Ebcdic("THE FIRST THREE GREEK CAPITAL LETTERS ARE ");
  rec.insert(rec.end(), {0x41, 0x42, 0x43});
  m.Blocks = vttest::BlockFixed({rec}, rec.size(), rec.size());
  greek.LRECL = static_cast<uint32_t>(rec.size());
  greek.Members.push_back(m);
  const std::wstring greekFile = tmp.File(L"greek.xmi");
  vttest::WriteFile(vtplatform::NativePath(greekFile), vttest::TXmitBuilder().PDS(greek));
  const struct {
    std::wstring file;
    const wchar_t* cp;
  } cases[] = {{Sample("sample_pds_de273.xmi"), L"273"}, {greekFile, L"875"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(clitest::Utf8(c.cp));
    const std::wstring out = tmp.File(std::wstring(L"utf8-") + c.cp), ansiOut = tmp.File(std::wstring(L"ansi-") + c.cp);
    ASSERT_EQ(Unfurl({L"extract", c.file, out, L"--codepage", c.cp, L"--utf8"}).Rc, 0);
    const TRun shown = Unfurl({L"show", c.file, L"BRIEF", L"--codepage", c.cp, L"--utf8"});
    std::string expected;
    for (const std::wstring& l : shown.Out.Lines) expected += clitest::Utf8(l) + "\r\n";
    const std::string written = clitest::ReadBytes(out + L"/BRIEF.txt");
    EXPECT_EQ(written, expected);
    // Without the option the file is in the ANSI code page: other bytes.
    ASSERT_EQ(Unfurl({L"extract", c.file, ansiOut, L"--codepage", c.cp}).Rc, 0);
    EXPECT_NE(clitest::ReadBytes(ansiOut + L"/BRIEF.txt"), written);
  }
  EXPECT_EQ(clitest::ReadBytes(tmp.File(L"utf8-875/BRIEF.txt")), "THE FIRST THREE GREEK CAPITAL LETTERS ARE \xCE\x91\xCE\x92\xCE\x93\r\n");
}

TEST(CliExtract, RawSequentialDataSetIsItsRecords) {
  // Fixed records one after another; variable ones each behind its 4-byte descriptor.
  const std::vector<vttest::Bytes> recs = {vttest::Ebcdic("AB"), vttest::Bytes(), vttest::Ebcdic("CDE")};
  const struct {
    uint16_t recfm;
    vttest::Bytes expected;
  } cases[] = {
      {0xC000, {0xC1, 0xC2, 0xC3, 0xC4, 0xC5}},
      {0x5000, {0, 6, 0, 0, 0xC1, 0xC2, 0, 4, 0, 0, 0, 7, 0, 0, 0xC3, 0xC4, 0xC5}},
  };
  for (const auto& c : cases) {
    vttest::TSeqDataSet ds;
    ds.RECFM = c.recfm;
    ds.LRECL = 255;
    ds.Records = recs;
    TTempDir tmp;
    const std::wstring file = tmp.File(L"seq.xmi");
    vttest::WriteFile(vtplatform::NativePath(file), vttest::TXmitBuilder().Sequential(ds));
    const TRun r = Unfurl({L"extract", file, tmp.File(L"out"), L"--raw"});
    ASSERT_EQ(r.Rc, 0) << r.Err.Data;
    EXPECT_EQ(clitest::ListDir(tmp.File(L"out")), std::vector<std::wstring>{L"VANTREL.SAMPLE.DATA.bin"});
    EXPECT_EQ(clitest::ReadBytes(tmp.File(L"out/VANTREL.SAMPLE.DATA.bin")),
              std::string(c.expected.begin(), c.expected.end()));
  }
  // The sample's 33 records of 80 bytes.
  TTempDir tmp;
  ASSERT_EQ(Unfurl({L"extract", Sample("sample_seq_fb80.xmi"), tmp.Path(), L"--raw"}).Rc, 0);
  EXPECT_EQ(clitest::ReadBytes(tmp.File(L"VANTREL.SAMPLE.DATA.bin")).size(), 33u * 80u);
}

TEST(CliExtract, DefaultsToTheCurrentFolder) {
  TTempDir src, work;
  const std::wstring copy = src.File(L"copy.xmi");
  {
    const std::string bytes = clitest::ReadBytes(Sample("sample_pdse.xmi"));
    vtplatform::TVTFileStream f(copy, vtplatform::TVTFileStream::TMode::Create);
    f.Write(bytes.data(), bytes.size());
  }
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::path(vtplatform::NativePath(work.Path())));
  const TRun r = Unfurl({L"extract", copy});
  std::filesystem::current_path(before);
  ASSERT_EQ(r.Rc, 0) << r.Err.Data;
  ASSERT_EQ(r.Out.Lines.size(), 1u);
  EXPECT_EQ(r.Out.Lines[0].rfind(L"Extracted 3 member(s) to .", 0), 0u) << r.Out.Data;
  EXPECT_EQ(clitest::ListDir(work.Path()), (std::vector<std::wstring>{L"ALLOC.txt", L"COMPILE.txt", L"HELLO.txt"}));
  // Nothing lands beside the input.
  EXPECT_EQ(clitest::ListDir(src.Path()), (std::vector<std::wstring>{L"copy.xmi"}));
}

TEST(CliVersion, OneLine) {
  for (const wchar_t* a : {L"--version", L"version"}) {
    const TRun r = Unfurl({a});
    EXPECT_EQ(r.Rc, 0) << r.Err.Data;
    ASSERT_EQ(r.Out.Lines.size(), 1u);
    EXPECT_EQ(r.Out.Lines[0].rfind(L"unfurl ", 0), 0u);
    EXPECT_GE(r.Out.Lines[0].size(), 12u);  // "unfurl " and a version like 1.0.0
  }
  EXPECT_EQ(Unfurl({L"--version", L"extra"}).Rc, 2);
}

// ---- Names and messages with control characters reach the terminal visibly ----

TEST(CliControlCharacters, ShownVisiblyInNamesAndMessages) {
  // A library whose data set and member names carry a form feed (EBCDIC 0C): the writer
  // knows printable names only, so the bytes are patched in afterwards.
  vttest::TPDSDataSet ds;
  ds.DSName = "VANTREL.CTLQXQ";
  vttest::TPDSMember m;
  m.Name = "CTLQXQ";
  m.Blocks = vttest::BlockFixed(vttest::FixedRecords({"TEXT"}, 80), 80, 27920);
  ds.Members.push_back(m);
  vttest::Bytes bytes = vttest::TXmitBuilder().PDS(ds);
  const vttest::Bytes pattern = vttest::Ebcdic("CTLQXQ");
  int patched = 0;
  for (auto it = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()); it != bytes.end();
       it = std::search(it + 1, bytes.end(), pattern.begin(), pattern.end())) {
    it[4] = 0x0C;
    ++patched;
  }
  ASSERT_GE(patched, 2);  // the directory entry and the data set name
  TTempDir tmp;
  const std::wstring file = tmp.File(L"ctl.xmi");
  vttest::WriteFile(vtplatform::NativePath(file), bytes);

  const TRun list = Unfurl({L"list", file});
  ASSERT_EQ(list.Rc, 0) << list.Err.Data;
  EXPECT_NE(list.Out.Data.find("CTLQ\\x0cQ"), std::string::npos) << list.Out.Data;
  EXPECT_EQ(list.Out.Data.find('\x0c'), std::string::npos);
  const TRun info = Unfurl({L"info", file});
  ASSERT_EQ(info.Rc, 0);
  EXPECT_NE(info.Out.Data.find("Data set:      VANTREL.CTLQ\\x0cQ"), std::string::npos) << info.Out.Data;
  EXPECT_EQ(info.Out.Data.find('\x0c'), std::string::npos);
  // JSON escapes the character itself.
  const TRun json = Unfurl({L"list", file, L"--json"});
  EXPECT_NE(json.Out.Data.find("CTLQ\\fQ"), std::string::npos) << json.Out.Data;
  EXPECT_EQ(jsonread::Parse(json.Out.Data).Items.at(0)[L"name"].String, L"CTLQ\fQ");

  // A control record of an unknown name with a form feed and a tab in it.
  vttest::TSegmentWriter w;
  w.AddRecord(vttest::TINMR01().Encode(), true);
  vttest::Bytes bad = vttest::MakeControlRecord("INMRZZ", {}, {});
  bad[4] = 0x0C;
  bad[5] = 0x05;  // HT
  w.AddRecord(bad, true);
  w.AddRecord(vttest::MakeINMR06(), true);
  const std::wstring badFile = tmp.File(L"bad.xmi");
  vttest::WriteFile(vtplatform::NativePath(badFile), w.Take());
  const TRun err = Unfurl({L"info", badFile});
  EXPECT_EQ(err.Rc, 1);
  EXPECT_NE(err.Err.Data.find("Unrecognized Control Record: INMR\\x0c\\x09"), std::string::npos) << err.Err.Data;
  EXPECT_EQ(err.Err.Data.find('\t'), std::string::npos);
}

// ---- A library built in code: a name JSON must escape, a creation date that names no day ----

TEST(CliOddLibrary, ListAndExtract) {
  vttest::TPDSDataSet ds;
  ds.DSName = "VANTREL.ODD";
  auto member = [&](const std::string& name, unsigned createdDay) {
    vttest::TPDSMember m;
    m.Name = name;
    m.Blocks = vttest::BlockFixed(vttest::FixedRecords({"LINE ONE", "LINE TWO"}, 80), 80, 27920);
    vttest::TISPFStats st;
    st.CreatedYear = 2024;
    st.CreatedDay = createdDay;
    st.Lines = 2;
    m.ISPF = st;
    return m;
  };
  ds.Members.push_back(member("A\"B\\C", 0));  // day 0: no real day
  ds.Members.push_back(member("GOOD", 366));   // 2024 is a leap year
  TTempDir tmp;
  const std::wstring file = tmp.File(L"odd.xmi");
  {
    const vttest::Bytes bytes = vttest::TXmitBuilder().PDS(ds);
    vtplatform::TVTFileStream f(file, vtplatform::TVTFileStream::TMode::Create);
    f.Write(bytes.data(), bytes.size());
  }

  const TRun text = Unfurl({L"list", file});
  ASSERT_EQ(text.Rc, 0) << text.Err.Data;
  EXPECT_EQ(text.Out.Lines.size(), 4u);

  const TRun json = Unfurl({L"list", file, L"--json"});
  ASSERT_EQ(json.Rc, 0) << json.Err.Data;
  const jsonread::TValue v = jsonread::Parse(json.Out.Data);
  ASSERT_EQ(v.Items.size(), 2u);
  std::map<std::wstring, const jsonread::TValue*> byName;
  for (const jsonread::TValue& m : v.Items) byName[m[L"name"].String] = &m;
  ASSERT_EQ(byName.count(L"A\"B\\C"), 1u) << json.Out.Data;
  ASSERT_EQ(byName.count(L"GOOD"), 1u);
  EXPECT_TRUE((*byName[L"A\"B\\C"])[L"ispf"][L"created"].IsNull());
  EXPECT_EQ((*byName[L"A\"B\\C"])[L"ispf"][L"changed"].String, L"2024-01-15T10:30:00");
  EXPECT_EQ((*byName[L"GOOD"])[L"ispf"][L"created"].String, L"2024-12-31");

  const std::wstring out = tmp.File(L"out");
  const TRun ex = Unfurl({L"extract", file, out});
  ASSERT_EQ(ex.Rc, 0) << ex.Err.Data;
  const std::vector<std::wstring> files = clitest::ListDir(out);
  EXPECT_EQ(files.size(), 2u);
  EXPECT_EQ(clitest::ListDir(tmp.Path()), (std::vector<std::wstring>{L"odd.xmi", L"out"}));
}

}  // namespace
