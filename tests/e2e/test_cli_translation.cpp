// unfurl with a chosen translation: --codepage, --table, --utf8 and the codepages list.
#include "CliTestUtil.h"

#include <fstream>

#include "platform/TempDir.h"
#include "translate/VTCodePages.h"
#include "translate/VTTranslate.h"

using namespace clitest;

TEST(CliTranslation, GermanLibraryWithItsUmlauts) {
  const std::wstring f = Sample("sample_pds_de273.xmi");
  TRun plain = Unfurl({L"show", f, L"BRIEF"});
  ASSERT_EQ(plain.Rc, 0) << plain.Err.Data;
  TRun de = Unfurl({L"show", f, L"BRIEF", L"--codepage", L"273"});
  ASSERT_EQ(de.Rc, 0) << de.Err.Data;
  ASSERT_EQ(de.Out.Lines.size(), 6u);
  EXPECT_EQ(de.Out.Lines[3].rfind(L"dieser Bibliothek. Bitte pr\u00FCfen Sie die \u00C4nderungen bis Freitag.", 0), 0u);
  EXPECT_EQ(de.Out.Lines[5].rfind(L"Gr\u00FC\u00DFe aus M\u00FCnchen", 0), 0u);
  EXPECT_EQ(plain.Out.Lines[5].rfind(L"Gr}~e aus M}nchen", 0), 0u);  // 037 reads other characters
  // The same table as a file, the option written with "=".
  TTempDir dir;
  TVTSBCSMap m;
  ASSERT_TRUE(LoadShippedTable(m, 273));
  const std::wstring ilm = dir.File(L"german.ilm");
  m.SaveToXMLFile(ilm);
  TRun viaFile = Unfurl({L"show", L"--table=" + ilm, f, L"BRIEF"});
  EXPECT_EQ(viaFile.Rc, 0) << viaFile.Err.Data;
  EXPECT_EQ(viaFile.Out.Lines, de.Out.Lines);
  // The list report and the extracted text files use the table too.
  TRun list = Unfurl({L"list", f, L"--codepage", L"1141"});
  EXPECT_EQ(list.Rc, 0);
  TRun ex = Unfurl({L"extract", f, dir.Path(), L"--codepage", L"273"});
  ASSERT_EQ(ex.Rc, 0) << ex.Err.Data;
  const std::string text = ReadBytes(dir.File(L"BRIEF.txt"));
  EXPECT_NE(text.find(vtplatform::ToAnsi(L"Gr\u00FC\u00DFe aus M\u00FCnchen")), std::string::npos);
}

TEST(CliTranslation, OptionErrors) {
  const std::wstring f = Sample("sample_pds_de273.xmi");
  TTempDir dir;
  const std::wstring bad = dir.File(L"bad.ilm");
  std::ofstream(vtplatform::NativePath(bad)) << "<VTSBCSMap><SingleByte><UNICODEtoEBCDIC>"
                                                "<UCS_0041>xx</UCS_0041></UNICODEtoEBCDIC></SingleByte></VTSBCSMap>";
  // A table the user names must load: no silent fall-back to the built-in table.
  for (const std::wstring& t : {bad, dir.File(L"missing.ilm")}) {
    TRun r = Unfurl({L"show", f, L"BRIEF", L"--table", t});
    ExpectOneLineFailure(r, f);
    EXPECT_NE(r.Err.Lines[0].find(L"translation table " + t), std::wstring::npos) << r.Err.Data;
  }
  const std::vector<std::vector<std::wstring>> usage = {
      {L"show", f, L"BRIEF", L"--codepage", L"999"},
      {L"show", f, L"BRIEF", L"--codepage", L"cp273"},
      {L"show", f, L"BRIEF", L"--codepage"},
      {L"show", f, L"BRIEF", L"--table="},
      {L"show", f, L"BRIEF", L"--codepage", L"273", L"--table", bad},
      {L"codepages", L"--utf8"},
      {L"codepages", f},
  };
  for (const auto& args : usage) {
    TRun r = Unfurl(args);
    EXPECT_EQ(r.Rc, 2) << Utf8(args.back());
    EXPECT_EQ(r.Err.Lines.size(), 1u) << r.Err.Data;
    EXPECT_TRUE(r.Out.Lines.empty());
  }
}

TEST(CliTranslation, CodePagesListsEveryShippedTable) {
  TRun r = Unfurl({L"codepages"});
  ASSERT_EQ(r.Rc, 0);
  ASSERT_EQ(r.Out.Lines.size(), ShippedCodePages().size());
  EXPECT_EQ(r.Out.Lines[0].rfind(L"   37  cp037    USA", 0), 0u) << Utf8(r.Out.Lines[0]);
  bool german = false;
  for (const std::wstring& l : r.Out.Lines) german = german || l.rfind(L"  273  cp273    Germany", 0) == 0;
  EXPECT_TRUE(german);
  for (const TVTCodePage& cp : ShippedCodePages()) {
    TRun s = Unfurl({L"info", Sample("sample_pds_de273.xmi"), L"--codepage", std::to_wstring(cp.Number)});
    EXPECT_EQ(s.Rc, 0) << cp.Number << s.Err.Data;
  }
}
