#include "translate/VTCodePages.h"

#include <cstdio>

#include "translate/VTTranslate.h"

// The table files' bytes, made from translate/tables/ by the build.
struct TVTShippedTableData {
  int32_t Number;
  const uint8_t* Data;
  size_t Size;
};
extern const TVTShippedTableData kShippedTableData[];
extern const size_t kShippedTableCount;

const std::vector<TVTCodePage>& ShippedCodePages() {
  static const std::vector<TVTCodePage> kPages = {
      {37, L"USA, Canada, Netherlands, Portugal, Brazil, Australia, New Zealand"},
      {273, L"Germany, Austria"},
      {277, L"Denmark, Norway"},
      {278, L"Finland, Sweden"},
      {280, L"Italy"},
      {284, L"Spain, Latin America"},
      {285, L"United Kingdom"},
      {297, L"France"},
      {500, L"International (Belgium, Switzerland)"},
      {870, L"Latin-2: Central and Eastern Europe"},
      {871, L"Iceland"},
      {875, L"Greek"},
      {1025, L"Cyrillic: Russia, Bulgaria, Serbia, Macedonia, Belarus"},
      {1026, L"Turkish (Latin-5)"},
      {1047, L"Latin-1 open systems (z/OS UNIX, C)"},
      {1140, L"USA, Canada ... with euro (037 + euro)"},
      {1141, L"Germany, Austria with euro (273 + euro)"},
      {1142, L"Denmark, Norway with euro (277 + euro)"},
      {1143, L"Finland, Sweden with euro (278 + euro)"},
      {1144, L"Italy with euro (280 + euro)"},
      {1145, L"Spain, Latin America with euro (284 + euro)"},
      {1146, L"United Kingdom with euro (285 + euro)"},
      {1147, L"France with euro (297 + euro)"},
      {1148, L"International with euro (500 + euro)"},
      {1149, L"Iceland with euro (871 + euro)"},
  };
  return kPages;
}

std::wstring CodePageTableName(int32_t number) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"cp%03d", static_cast<int>(number));
  return buf;
}

bool ShippedTableData(int32_t number, const uint8_t*& data, size_t& len) {
  for (size_t i = 0; i < kShippedTableCount; ++i) {
    if (kShippedTableData[i].Number != number) continue;
    data = kShippedTableData[i].Data;
    len = kShippedTableData[i].Size;
    return true;
  }
  return false;
}

bool LoadShippedTable(TVTSBCSMap& map, int32_t number) {
  const uint8_t* data;
  size_t len;
  if (!ShippedTableData(number, data, len)) return false;
  map.LoadFromXMLBuffer(data, len, CodePageTableName(number));
  return true;
}
