#include "common/VTStringList.h"

#include "common/VTTextWriter.h"
#include "platform/VTPlatform.h"

std::string TVTStringList::ToAnsiText() const {
  std::string out;
  for (const std::wstring& line : FLines) {
    out += vtplatform::ToAnsi(line);
    out += "\r\n";
  }
  return out;
}

void TVTStringList::SaveToFile(const std::wstring& fileName) const {
  TVTTextWriter f(fileName);
  for (const std::wstring& line : FLines) f.WriteLine(line);
  f.Close();
}
