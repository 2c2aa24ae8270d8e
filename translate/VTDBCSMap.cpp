#include "translate/VTDBCSMap.h"

#include <algorithm>

#include "common/VTStrUtils.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "translate/VTTableFiles.h"
#include "translate/VTTranslate.h"
#include "xml/VTXML.h"

TVTDBCSMap::TVTDBCSMap() : FHostToUCS(new int32_t[65536]), FUCSToHost(new int32_t[65536]) { Clear(); }

void TVTDBCSMap::Clear() {
  std::fill(FHostToUCS.get(), FHostToUCS.get() + 65536, -1);
  std::fill(FUCSToHost.get(), FUCSToHost.get() + 65536, -1);
}

void TVTDBCSMap::LoadFromXMLFile(const std::wstring& F) {
  TVTXMLDocument doc;
  {
    vtplatform::TVTFileStream in(F, vtplatform::TVTFileStream::TMode::Read);
    doc.ParseFromAnsiStream(in);
  }
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
  if (!vtplatform::FileExists(F))
    throw EVTInvalidTranslation("DBCS mapping not found: " + vtplatform::ToUtf8(F));
  const std::vector<std::wstring> lines = vttable::ReadTextLines(F);
  Clear();
  for (const std::wstring& raw : lines) {
    const std::wstring s = vttable::ListingLine(raw);
    if (s.empty()) continue;
    const int32_t host = vttable::ParseHex(s.substr(0, 4));
    const int32_t pc = vttable::ParseHex(vtstr::Trim(s.substr(std::min<size_t>(4, s.size()))).substr(0, 4));
    SetMapping(static_cast<uint16_t>(host), static_cast<uint16_t>(pc));
  }
  FName = vttable::TableName(F);
  FXMLFileName = (F.size() >= 4 ? F.substr(0, F.size() - 4) : std::wstring()) + L".idm";
}
