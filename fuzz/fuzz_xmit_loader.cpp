// Loads arbitrary bytes as an XMIT file and walks everything the index offers.
// Only EXMITError may come out of a damaged file; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIParser.h"

namespace {
const std::wstring& InputPath() {
  static const std::wstring path = vtplatform::TempFileName(L"fzx");
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    vtplatform::TVTFileStream out(InputPath(), vtplatform::TVTFileStream::TMode::Create);
    out.Write(data, size);
  }
  TVTXMIParser p;
  try {
    p.LoadXMIFile(InputPath());
  } catch (const EXMITError&) {
    return 0;
  }
  (void)p.DSName();
  (void)p.UnloadType();
  (void)p.LRECL();
  if (!p.INMR03List().empty()) {
    for (int32_t i = 0; i < p.MemberCount(); ++i) {
      const std::wstring name = p.MemberName(i);
      (void)p.FindMember(name);
    }
  }
  TVTStringList lines;
  p.GetMessageLines(lines);
  return 0;
}
