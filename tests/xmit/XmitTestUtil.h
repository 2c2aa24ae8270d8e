// Loading bytes built by the test writer into a parser.
#pragma once

#include <string>

#include "support/XmitWriter.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIParser.h"

namespace vttest {

// A temporary file holding the bytes; removed when the object goes.
class TTempXmit {
 public:
  explicit TTempXmit(const Bytes& data) : FPath(vtplatform::TempFileName(L"vtx")) {
    vtplatform::TVTFileStream out(FPath, vtplatform::TVTFileStream::TMode::Create);
    out.Write(data.data(), data.size());
  }
  ~TTempXmit() { vtplatform::RemoveFile(FPath); }
  const std::wstring& Path() const { return FPath; }

 private:
  std::wstring FPath;
};

// Loads data into p; the temporary file is gone afterwards, which the index does not need.
inline void LoadBytes(TVTXMIParser& p, const Bytes& data) {
  TTempXmit f(data);
  p.LoadXMIFile(f.Path());
}

// The message of the EXMITError that loading data raises, or "" when it loads.
inline std::string LoadError(const Bytes& data) {
  TVTXMIParser p;
  try {
    LoadBytes(p, data);
  } catch (const EXMITError& e) {
    return e.what();
  }
  return "";
}

inline std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

}  // namespace vttest
