#include "translate/VTDBCSMap.h"

#include <algorithm>

#include "translate/VTTableFiles.h"
#include "xml/VTXML.h"

TVTDBCSMap::TVTDBCSMap() : FHostToUCS(new int32_t[65536]), FUCSToHost(new int32_t[65536]) { Clear(); }

void TVTDBCSMap::Clear() {
  std::fill(FHostToUCS.get(), FHostToUCS.get() + 65536, -1);
  std::fill(FUCSToHost.get(), FUCSToHost.get() + 65536, -1);
}

void TVTDBCSMap::LoadFromXMLFile(const std::wstring& F) {
  TVTXMLDocument doc;
  vttable::ParseTableFile(F, doc);
  Clear();
  vttable::ReadTableTree(doc, L"DoubleByte", {FUCSToHost.get(), 65536, 0xFFFF},
                         {FHostToUCS.get(), 65536, 0xFFFF});
  FName = vttable::TableName(F);
  FXMLFileName = F;
  FDBCSMapChanged = false;
}

void TVTDBCSMap::SaveToXMLFile(const std::wstring& F) {
  FName = vttable::TableName(F);
  FXMLFileName = F;
  vttable::WriteTableFile(F, L"VTDBCSMap", L"DoubleByte", FUCSToHost.get(), 65536, FHostToUCS.get(), 65536);
  FDBCSMapChanged = false;
}

void TVTDBCSMap::SaveToXMLFile() { SaveToXMLFile(FXMLFileName); }

void TVTDBCSMap::LoadFromIBMFile(const std::wstring& F) {
  const std::vector<std::wstring> lines = vttable::ReadListing(F, "DBCS");
  Clear();
  for (const std::wstring& line : lines) {
    int32_t host, pc;
    if (vttable::ListingEntry(line, 4, host, pc)) SetMapping(static_cast<uint16_t>(host), static_cast<uint16_t>(pc));
  }
  FName = vttable::TableName(F);
  FXMLFileName = vttable::TableFileFor(F, L".idm");
}
