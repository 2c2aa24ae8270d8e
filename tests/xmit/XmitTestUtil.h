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

// A member with the given blocks.
inline TPDSMember Member(const std::string& name, std::vector<Bytes> blocks) {
  TPDSMember m;
  m.Name = name;
  m.Blocks = std::move(blocks);
  return m;
}

// A library USER.SRC of the given format and members.
inline TPDSDataSet Library(uint16_t recfm, uint32_t lrecl, std::vector<TPDSMember> members) {
  TPDSDataSet ds;
  ds.DSName = "USER.SRC";
  ds.RECFM = recfm;
  ds.LRECL = lrecl;
  ds.BLKSIZE = lrecl ? 27920 : 6144;
  ds.Members = std::move(members);
  return ds;
}

// A parser loaded from bytes that keeps its file for the member readers.
struct TLoaded {
  explicit TLoaded(const Bytes& b) : File(b) { P.LoadXMIFile(File.Path()); }
  TTempXmit File;
  TVTXMIParser P;
};

// The whole content of a file.
inline std::string ReadFile(const std::wstring& path) {
  vtplatform::TVTFileStream in(path, vtplatform::TVTFileStream::TMode::Read);
  std::string s(static_cast<size_t>(in.Size()), '\0');
  if (!s.empty()) in.Read(&s[0], s.size());
  return s;
}

}  // namespace vttest
