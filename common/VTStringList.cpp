#include "common/VTStringList.h"

#include "platform/VTFileStream.h"
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
  vtplatform::TVTFileStream f(fileName, vtplatform::TVTFileStream::TMode::Create);
  for (const std::wstring& line : FLines) {
    const std::string bytes = vtplatform::ToAnsi(line);
    f.Write(bytes.data(), bytes.size());
    f.Write("\r\n", 2);
  }
  f.Flush();
}
