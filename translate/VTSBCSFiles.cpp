// The single-byte map's table files: ".ilm" XML files and code page listings.
#include <algorithm>

#include "translate/VTTableFiles.h"
#include "translate/VTTranslate.h"
#include "xml/VTXML.h"

namespace {

// Resets entries 0..255 of both tables and reads the tree's entries into them.
void ReadSBCSTree(TVTXMLDocument& doc, int32_t* a2e, int32_t* e2a) {
  std::fill(a2e, a2e + 256, -1);
  std::fill(e2a, e2a + 256, -1);
  vttable::ReadTableTree(doc, L"SingleByte", {a2e, 65536, 0xFF}, {e2a, 256, 0xFFFF});
}

}  // namespace

void TVTSBCSMap::LoadFromXMLFile(const std::wstring& F) {
  TVTXMLDocument doc;
  vttable::ParseTableFile(F, doc);
  ReadSBCSTree(doc, FA2ETab.get(), FE2ATab);
  FName = vttable::TableName(F);
  FXMLFileName = F;
  FSBCSMapChanged = false;
}

void TVTSBCSMap::LoadFromXMLBuffer(const uint8_t* data, size_t len, const std::wstring& name) {
  TVTXMLDocument doc;
  doc.ParseFromAnsiBuffer(data, len);
  ReadSBCSTree(doc, FA2ETab.get(), FE2ATab);
  FName = name;
  FXMLFileName.clear();
  FSBCSMapChanged = false;
}

void TVTSBCSMap::SaveToXMLFile(const std::wstring& F) {
  FName = vttable::TableName(F);
  FXMLFileName = F;
  vttable::WriteTableFile(F, L"VTSBCSMap", L"SingleByte", FA2ETab.get(), 65536, FE2ATab, 256);
  FSBCSMapChanged = false;
}

void TVTSBCSMap::SaveToXMLFile() { SaveToXMLFile(FXMLFileName); }

void TVTSBCSMap::LoadFromIBMFile(const std::wstring& F) {
  const std::vector<std::wstring> lines = vttable::ReadListing(F, "SBCS");
  InitializeMap();
  for (const std::wstring& line : lines) {
    int32_t host, pc;
    try {
      if (!vttable::ListingEntry(line, 2, host, pc)) continue;
    } catch (const EVTConvertError&) {
      continue;  // not an entry line
    }
    FE2ATab[host] = pc;
    FA2ETab[pc] = host;
  }
  FName = vttable::TableName(F);
  FXMLFileName = vttable::TableFileFor(F, L".ilm");
}

void TVTSBCSMap::ClearMap() {
  std::fill(FE2ATab, FE2ATab + 256, -1);
  std::fill(FA2ETab.get(), FA2ETab.get() + 65536, -1);
}
