// unfurl: the command-line reader of XMIT files.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/VTStrUtils.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIParser.h"

namespace {

void Out(const std::wstring& s) {
  const std::string bytes = vtplatform::ToUtf8(s);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
}

std::wstring Hex4(uint32_t v) {
  static const wchar_t* digits = L"0123456789ABCDEF";
  std::wstring s = L"X'0000'";
  for (int i = 0; i < 4; ++i) s[5 - i] = digits[(v >> (4 * i)) & 15];
  return s;
}

std::wstring OrgText(uint32_t dsorg) {
  switch (dsorg) {
    case 0x4000: return L"PS";
    case 0x0200: return L"PO";
    case 0x0008: return L"VSAM";
    default: return Hex4(dsorg);
  }
}

std::wstring UnloadText(TVTUnloadType t) {
  switch (t) {
    case TVTUnloadType::utPDS: return L"PDS";
    case TVTUnloadType::utPDSE: return L"PDSE";
    default: return L"sequential";
  }
}

int Info(const std::string& file) {
  TVTXMIParser p;
  p.LoadXMIFile(vtplatform::FromUtf8(file));
  Out(L"File:            " + vtplatform::FromUtf8(file));
  Out(L"Data set:        " + p.DSName());
  Out(L"Organisation:    " + OrgText(p.DSORG()));
  Out(L"Record format:   " + p.RecordFormat());
  Out(L"LRECL:           " + vtstr::IntToStr(p.LRECL()));
  Out(L"Unload type:     " + UnloadText(p.UnloadType()));
  if (p.UnloadType() == TVTUnloadType::utSeq) {
    Out(L"Records:         " + vtstr::FormatThousands(p.SeqRecordCount()));
  } else {
    Out(L"Members:         " + vtstr::FormatThousands(p.MemberCount()));
  }
  Out(L"Origin:          " + vtstr::Trim(p.FNODE()) + L"." + vtstr::Trim(p.FUSER()));
  if (p.HasMessage()) {
    TVTStringList lines;
    p.GetMessageLines(lines);
    Out(L"Message:");
    for (const std::wstring& l : lines.Lines()) Out(L"  " + l);
  }
  return 0;
}

int Usage() {
  std::fputs("usage: unfurl info FILE\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string cmd = argv[1];
  try {
    if (cmd == "info") return Info(argv[2]);
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "unfurl: %s: %s\n", argv[2], e.what());
    return 1;
  }
}
