// Translation table files: ".ilm" / ".idm" XML files, code page listings, the parser's
// LoadSBCSTable, and the shipped code page tables.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/TempDir.h"
#include "platform/VTPlatform.h"
#include "translate/VTCodePages.h"
#include "translate/VTDBCSMap.h"
#include "translate/VTTableFiles.h"
#include "translate/VTTranslate.h"
#include "xml/VTXML.h"
#include "xmit/VTXMIParser.h"

namespace {

void WriteText(const std::wstring& path, const std::string& text) {
  std::ofstream f(vtplatform::NativePath(path), std::ios::binary);
  f << text;
}

std::string ReadText(const std::wstring& path) {
  std::ifstream f(vtplatform::NativePath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

size_t Count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// An ".ilm" file with the given section names and entries.
std::string Ilm(const std::string& sections) {
  return "<?xml version=\"1.0\"?>\r\n<VTSBCSMap><SingleByte>" + sections + "</SingleByte></VTSBCSMap>";
}

bool SameMap(const TVTSBCSMap& a, const TVTSBCSMap& b) {
  for (int i = 0; i < 256; ++i)
    if (a.E2A(static_cast<uint8_t>(i)) != b.E2A(static_cast<uint8_t>(i))) return false;
  for (int i = 0; i < 65536; ++i)
    if (a.A2E(static_cast<uint16_t>(i)) != b.A2E(static_cast<uint16_t>(i))) return false;
  return true;
}

}  // namespace

TEST(TableFiles, BuiltinTableSavesAndLoadsBack) {
  TTempDir dir;
  TVTSBCSMap m;
  const std::wstring f = dir.File(L"cp1047.ilm");
  m.SaveToXMLFile(f);
  EXPECT_EQ(m.Name(), L"cp1047");
  EXPECT_EQ(m.XMLFileName(), f);
  const std::string text = ReadText(f);
  EXPECT_EQ(Count(text, "<UCS_"), 120u);
  EXPECT_EQ(Count(text, "<EBC_"), 207u);
  EXPECT_NE(text.find("<UCS_0000>0000</UCS_0000>"), std::string::npos);
  EXPECT_NE(text.find("<UCS_0041>00C1</UCS_0041>"), std::string::npos);
  EXPECT_NE(text.find("<EBC_00C1>0041</EBC_00C1>"), std::string::npos);
  EXPECT_EQ(text.compare(0, 38, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), 0);

  TVTSBCSMap back;
  back.ClearMap();
  back.LoadFromXMLFile(f);
  EXPECT_TRUE(SameMap(m, back));
  EXPECT_EQ(back.Name(), L"cp1047");
  EXPECT_FALSE(back.SBCSMapChanged());
}

TEST(TableFiles, LoadingReadsOnlyWhatTheLayoutNames) {
  TTempDir dir;
  const std::wstring f = dir.File(L"t.ilm");
  const struct {
    const char* name;
    std::string body;
    int32_t e2aC1, a2e41, e2a40;
  } cases[] = {
      {"new names", Ilm("<UNICODEtoEBCDIC><UCS_0041>00C1</UCS_0041></UNICODEtoEBCDIC>"
                        "<EBCDICtoUNICODE><EBC_00C1>0041</EBC_00C1></EBCDICtoUNICODE>"), 0x41, 0xC1, -1},
      {"old names", Ilm("<ASCIItoEBCDIC><ASC_0041>C1</ASC_0041></ASCIItoEBCDIC>"
                        "<EBCDICtoASCII><EBC_C1>41</EBC_C1></EBCDICtoASCII>"), 0x41, 0xC1, -1},
      {"either letter case", Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_c1>0041</EBC_c1></EBCDICtoUNICODE>"),
       0x41, -1, -1},
      {"host-to-PC section first: nothing", Ilm("<EBCDICtoUNICODE><EBC_00C1>0041</EBC_00C1></EBCDICtoUNICODE>"),
       -1, -1, -1},
      {"other part name: nothing", "<r><DoubleByte><UNICODEtoEBCDIC><UCS_0041>C1</UCS_0041></UNICODEtoEBCDIC>"
       "</DoubleByte></r>", -1, -1, -1},
      {"other prefixes passed over", Ilm("<UNICODEtoEBCDIC><XYZ_0041>C1</XYZ_0041></UNICODEtoEBCDIC>"
                                         "<EBCDICtoUNICODE><ebc_C1>41</ebc_C1></EBCDICtoUNICODE>"), -1, -1, -1},
      {"FFFFFFFF unmaps", Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1>41</EBC_C1><EBC_C1>FFFFFFFF</EBC_C1>"
                              "</EBCDICtoUNICODE>"), -1, -1, -1},
  };
  for (const auto& c : cases) {
    WriteText(f, c.body);
    TVTSBCSMap m;  // built-in table: 40 maps to a blank until the load resets it
    m.SetA2E(0x100, 0x41);  // entries above 255 keep their values
    m.LoadFromXMLFile(f);
    EXPECT_EQ(m.E2A(0xC1), c.e2aC1) << c.name;
    EXPECT_EQ(m.A2E(0x41), c.a2e41) << c.name;
    EXPECT_EQ(m.E2A(0x40), c.e2a40) << c.name;
    EXPECT_EQ(m.A2E(0x100), 0x41) << c.name;
    EXPECT_EQ(m.Name(), L"t") << c.name;
  }
}

TEST(TableFiles, BadEntriesFailTheLoad) {
  TTempDir dir;
  const std::wstring f = dir.File(L"bad.ilm");
  const struct {
    std::string body;
    bool conversion;  // EVTConvertError, else EVTInvalidTranslation
  } cases[] = {
      {Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1> 0041</EBC_C1></EBCDICtoUNICODE>"), true},
      {Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1>$41</EBC_C1></EBCDICtoUNICODE>"), true},
      {Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_>41</EBC_></EBCDICtoUNICODE>"), true},
      {Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1></EBC_C1></EBCDICtoUNICODE>"), true},
      {Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1>123456789</EBC_C1></EBCDICtoUNICODE>"), true},
      // Entries outside their tables, and values no entry of the table can hold.
      {Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_0100>0041</EBC_0100></EBCDICtoUNICODE>"), false},
      {Ilm("<UNICODEtoEBCDIC><UCS_10000>C1</UCS_10000></UNICODEtoEBCDIC>"), false},
      {Ilm("<UNICODEtoEBCDIC><UCS_0041>0100</UCS_0041></UNICODEtoEBCDIC>"), false},
      {Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1>10000</EBC_C1></EBCDICtoUNICODE>"), false},
  };
  for (const auto& c : cases) {
    WriteText(f, c.body);
    TVTSBCSMap m;
    if (c.conversion) {
      EXPECT_THROW(m.LoadFromXMLFile(f), EVTConvertError) << c.body;
    } else {
      EXPECT_THROW(m.LoadFromXMLFile(f), EVTInvalidTranslation) << c.body;
    }
    EXPECT_EQ(m.Name(), L"") << c.body;  // the names change only after a whole load
  }
  TVTSBCSMap m;
  EXPECT_ANY_THROW(m.LoadFromXMLFile(dir.File(L"missing.ilm")));
  EXPECT_EQ(m.E2A(0xC1), 0x41);  // a file that cannot be opened changes nothing
}

TEST(TableFiles, CodePageListings) {
  TTempDir dir;
  const std::wstring f = dir.File(L"listing.txt");
  const struct {
    std::string text;
    int32_t e2aC1, a2e42, a2e41;
  } cases[] = {
      {"C1 0042\n", 0x42, 0xC1, 0xC1},
      {"C10042", 0x42, 0xC1, 0xC1},
      {"  C1 0042 LATIN CAPITAL B \r\n", 0x42, 0xC1, 0xC1},
      {"# C1 0042\n* C1 0042\n\nZZ 0042\nC1 XYZW\n", 0x41, 0xC2, 0xC1},
      {"\xEF\xBB\xBF" "C1 0042\n", 0x42, 0xC1, 0xC1},
      {std::string("\xFF\xFE" "C\0" "1\0" " \0" "0\0" "0\0" "4\0" "2\0", 16), 0x42, 0xC1, 0xC1},
      {"C1 0042\nC2 0042\n", 0x42, 0xC2, 0xC1},  // the later line sets the PC-to-host entry
  };
  for (const auto& c : cases) {
    WriteText(f, c.text);
    TVTSBCSMap m;
    m.LoadFromIBMFile(f);
    EXPECT_EQ(m.E2A(0xC1), c.e2aC1) << c.text;
    EXPECT_EQ(m.A2E(0x42), c.a2e42) << c.text;
    EXPECT_EQ(m.A2E(0x41), c.a2e41) << c.text;
    EXPECT_EQ(m.E2A(0xC3), 0x43) << c.text;  // bytes the listing does not name keep the built-in table
    EXPECT_EQ(m.Name(), L"listing");
    EXPECT_EQ(m.XMLFileName(), dir.File(L"listing.ilm"));
  }
  TVTSBCSMap m;
  const std::wstring missing = dir.File(L"none.txt");
  try {
    m.LoadFromIBMFile(missing);
    FAIL() << "no error";
  } catch (const EVTInvalidTranslation& e) {
    EXPECT_EQ(std::string(e.what()), "SBCS mapping not found: " + vtplatform::ToUtf8(missing));
  }
}

TEST(TableFiles, ParserFallsBackToTheBuiltinTable) {
  TTempDir dir;
  const std::wstring good = dir.File(L"good.ilm"), bad = dir.File(L"bad.ilm");
  WriteText(good, Ilm("<UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1>0042</EBC_C1></EBCDICtoUNICODE>"));
  WriteText(bad, "<VTSBCSMap><SingleByte><UNICODEtoEBCDIC/><EBCDICtoUNICODE><EBC_C1>zz</EBC_C1>"
                 "</EBCDICtoUNICODE></SingleByte></VTSBCSMap>");
  TVTXMIParser p;
  p.LoadSBCSTable(good);
  EXPECT_EQ(p.XlateS().HostToPC(0xC1), L'B');
  for (const std::wstring& f : {bad, dir.File(L"missing.ilm")}) {
    EXPECT_NO_THROW(p.LoadSBCSTable(f));
    EXPECT_EQ(p.XlateS().HostToPC(0xC1), L'A');
    EXPECT_EQ(p.XlateS().HostToPC(0x40), L' ');
  }
}

TEST(DBCSMap, ListingsAndFiles) {
  TTempDir dir;
  TVTDBCSMap m;
  EXPECT_EQ(m.HostToPC(0x4040), 0xFFFF);
  EXPECT_EQ(m.PCtoHost(0x3000), 0xFFFF);

  const std::wstring f = dir.File(L"kanji.txt");
  WriteText(f, "# double-byte\n4040 3000\n4141FF21\n");
  m.LoadFromIBMFile(f);
  EXPECT_EQ(m.HostToPC(0x4040), 0x3000);
  EXPECT_EQ(m.PCtoHost(0x3000), 0x4040);
  EXPECT_EQ(m.HostToPC(0x4141), 0xFF21);
  EXPECT_EQ(m.Name(), L"kanji");
  EXPECT_EQ(m.XMLFileName(), dir.File(L"kanji.idm"));

  WriteText(f, "4040 3000\nZZZZ 0041\n4141 FF21\n");
  TVTDBCSMap bad;
  EXPECT_THROW(bad.LoadFromIBMFile(f), EVTConvertError);
  EXPECT_EQ(bad.HostToPC(0x4040), 0x3000);  // the lines before the bad one stay
  EXPECT_EQ(bad.HostToPC(0x4141), 0xFFFF);
  EXPECT_EQ(bad.Name(), L"");
  try {
    bad.LoadFromIBMFile(dir.File(L"none.txt"));
    FAIL() << "no error";
  } catch (const EVTInvalidTranslation& e) {
    EXPECT_EQ(std::string(e.what()).rfind("DBCS mapping not found: ", 0), 0u);
  }

  TVTDBCSMap one;
  one.SetMapping(0x4040, 0x3000);
  const std::wstring idm = dir.File(L"one.idm");
  one.SaveToXMLFile(idm);
  const std::string text = ReadText(idm);
  EXPECT_EQ(Count(text, "<UCS_"), 1u);
  EXPECT_EQ(Count(text, "<EBC_"), 1u);
  EXPECT_NE(text.find("<DoubleByte>"), std::string::npos);
  EXPECT_NE(text.find("<EBC_4040>3000</EBC_4040>"), std::string::npos);
  EXPECT_NE(text.find("<UCS_3000>4040</UCS_3000>"), std::string::npos);
  m.LoadFromXMLFile(idm);  // a load unmaps everything first
  EXPECT_EQ(m.HostToPC(0x4040), 0x3000);
  EXPECT_EQ(m.HostToPC(0x4141), 0xFFFF);
  EXPECT_EQ(m.Name(), L"one");
}

TEST(ShippedTables, EveryTableRoundTripsAndSavesUnchanged) {
  TTempDir dir;
  ASSERT_GE(ShippedCodePages().size(), 25u);
  for (const TVTCodePage& cp : ShippedCodePages()) {
    SCOPED_TRACE(cp.Number);
    TVTSBCSMap m;
    ASSERT_TRUE(LoadShippedTable(m, cp.Number));
    EXPECT_EQ(m.Name(), CodePageTableName(cp.Number));
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
      const int32_t pc = m.E2A(static_cast<uint8_t>(b));
      if (pc < 0) continue;
      ++mapped;
      EXPECT_EQ(m.A2E(static_cast<uint16_t>(pc)), b);
    }
    EXPECT_EQ(mapped, cp.Number == 875 ? 250 : 256);  // IBM leaves 6 bytes of 875 unassigned
    const std::wstring f = dir.File(CodePageTableName(cp.Number) + L".ilm");
    m.SaveToXMLFile(f);
    TVTSBCSMap back;
    back.LoadFromXMLFile(f);
    EXPECT_TRUE(SameMap(m, back));
    const uint8_t* data;
    size_t len;
    ASSERT_TRUE(ShippedTableData(cp.Number, data, len));
    EXPECT_EQ(ReadText(f), std::string(reinterpret_cast<const char*>(data), len));
  }
  TVTSBCSMap m;
  EXPECT_FALSE(LoadShippedTable(m, 1234));
}

TEST(ShippedTables, NationalCharacters) {
  const struct {
    int32_t cp;
    uint8_t host;
    wchar_t pc;
  } cases[] = {
      {37, 0xC1, L'A'},      {37, 0x5F, 0x00AC},  {273, 0x4A, 0x00C4}, {273, 0xC0, 0x00E4},
      {273, 0xD0, 0x00FC},   {273, 0xA1, 0x00DF}, {297, 0x7C, 0x00E0}, {1047, 0x15, 0x0085},
      {1047, 0xAD, L'['},    {1141, 0x9F, 0x20AC}, {1140, 0x9F, 0x20AC}, {1025, 0xB9, 0x0410},
      {875, 0x41, 0x0391},   {870, 0x42, 0x00E2},
  };
  for (const auto& c : cases) {
    TVTSBCSMap m;
    ASSERT_TRUE(LoadShippedTable(m, c.cp));
    EXPECT_EQ(m.HostToPC(c.host), c.pc) << c.cp << " " << int(c.host);
  }
}

// Entries where IBM's mapping data (the tables' source) and glibc's iconv (their earlier
// source) disagree: each must keep IBM's character, both ways.
TEST(ShippedTables, EntriesThatFollowIBMData) {
  const struct {
    int32_t cp;
    uint8_t host;
    uint16_t pc;
  } cases[] = {
      {1026, 0x9A, 0x20BA},  // Turkish lira sign (iconv: feminine ordinal)
      {1026, 0x9D, 0x00B8},  // cedilla (iconv: ogonek)
      {1026, 0xBC, 0x00AF},  // macron (iconv: em dash)
      {875, 0x6A, 0x007C},   // vertical line (iconv: unassigned)
      {875, 0x74, 0x00A0},   // no-break space (iconv: nabla)
      {875, 0xDD, 0x0387},   // Greek ano teleia (iconv: middle dot)
      {278, 0x71, 0x005C},   // reverse solidus and E acute: iconv has them swapped
      {278, 0xE0, 0x00C9},
      {285, 0xA1, 0x00AF},   // macron (iconv: overline)
      {870, 0xB0, 0x02D9},   // dot above (iconv: middle dot)
      {871, 0x4A, 0x00DE},   // capital and small thorn: iconv has them swapped
      {871, 0xC0, 0x00FE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "cp" << c.cp << " host 0x" << std::hex << int(c.host));
    TVTSBCSMap m;
    ASSERT_TRUE(LoadShippedTable(m, c.cp));
    EXPECT_EQ(m.E2A(c.host), c.pc);
    EXPECT_EQ(m.A2E(c.pc), c.host);
  }
}
