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
  // Everything the front ends ask of a loaded file must cope with the same bytes.
  try {
    TVTStringList lines;
    p.GetMessageLines(lines);
    p.GetMemberList(lines);
    if (p.UnloadType() == TVTUnloadType::utSeq) {
      p.GetRecordText(lines, 0);
      p.GetRecordData(lines, 0);
      (void)p.GetContentType(L"");
    } else if (!p.INMR03List().empty()) {
      for (int32_t i = 0; i < p.MemberCount() && i < 64; ++i) {
        const std::wstring name = p.MemberName(i);
        (void)p.GetContentType(name);
        p.SetConvertData(i % 2 == 0);
        p.GetMemberData(name, lines, false);
        p.GetMemberData(name, lines, true);
        p.WriteRawMemberData(name, [](const uint8_t*, size_t) {});
        (void)p.MaxRecordLength(name);
      }
    }
    // The whole-file dump grows with the input; small inputs are enough to exercise it.
    if (size <= 64 * 1024) p.DumpXMIRecordData(lines, 32);
  } catch (const EXMITError&) {
    // a damaged member or record ends that report with a clear error
  }
  return 0;
}
