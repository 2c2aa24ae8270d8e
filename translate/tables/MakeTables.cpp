// Makes the shipped translation tables from IBM's published mapping data, as ICU's
// "ibm-NNN" converters carry it: for each code page, the host-to-PC side is ICU's mapping
// of each of the 256 host bytes, and the PC-to-host side is its inverse. ICU rather than
// the C library's iconv, because glibc's IBM code pages depart from IBM's data in a few
// entries (cp1026, cp875, cp278, cp285, cp870, cp871). Usage: vt_make_tables OUTDIR
// [NUMBER...]  (default: every shipped code page). Code pages ICU does not know are
// reported and skipped.
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/VTPlatform.h"
#include "translate/VTCodePages.h"
#include "translate/VTTranslate.h"

namespace {

struct ConverterCloser {
  void operator()(UConverter* cnv) const { ucnv_close(cnv); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// The character ICU gives for one host byte on its own; -1 when the byte is unmapped (the
// stop callback makes ICU report it rather than substitute) or gives more than one unit.
int32_t Convert(UConverter* cnv, uint8_t host) {
  const char in[1] = {static_cast<char>(host)};
  UChar out[4];
  const char* ip = in;
  UChar* op = out;
  UErrorCode err = U_ZERO_ERROR;
  ucnv_resetToUnicode(cnv);
  ucnv_toUnicode(cnv, &op, out + 4, &ip, in + 1, nullptr, true, &err);
  if (U_FAILURE(err) || op - out != 1) return -1;
  return out[0];
}

bool MakeTable(int32_t number, const std::string& outdir) {
  const std::string name = "ibm-" + std::to_string(number);
  UErrorCode err = U_ZERO_ERROR;
  Converter cnv(ucnv_open(name.c_str(), &err));
  if (U_FAILURE(err) || !cnv) {
    std::fprintf(stderr, "vt_make_tables: ICU has no converter %s (%s); skipped\n", name.c_str(),
                 u_errorName(err));
    return false;
  }
  // Some IBM numbers name Unicode or multi-byte encodings (ibm-1234 is UTF-32LE): only a
  // single-byte code page makes a table of 256 host bytes.
  if (ucnv_getMinCharSize(cnv.get()) != 1 || ucnv_getMaxCharSize(cnv.get()) != 1) {
    std::fprintf(stderr, "vt_make_tables: %s (%s) is not a single-byte code page; skipped\n",
                 name.c_str(), ucnv_getName(cnv.get(), &err));
    return false;
  }
  err = U_ZERO_ERROR;
  ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  if (U_FAILURE(err)) {
    std::fprintf(stderr, "vt_make_tables: %s: %s\n", name.c_str(), u_errorName(err));
    return false;
  }
  TVTSBCSMap map;
  map.ClearMap();
  for (int b = 0; b < 256; ++b)
    map.SetE2A(static_cast<uint8_t>(b), Convert(cnv.get(), static_cast<uint8_t>(b)));
  // The inverse: the lowest host byte wins when two give the same character.
  for (int b = 255; b >= 0; --b) {
    const int32_t pc = map.E2A(static_cast<uint8_t>(b));
    if (pc >= 0) map.SetA2E(static_cast<uint16_t>(pc), b);
  }
  const std::wstring file =
      vtplatform::JoinPath(vtplatform::FromUtf8(outdir), CodePageTableName(number) + L".ilm");
  map.SaveToXMLFile(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vt_make_tables OUTDIR [NUMBER...]\n");
    return 2;
  }
  std::vector<int32_t> numbers;
  for (int i = 2; i < argc; ++i) numbers.push_back(std::atoi(argv[i]));
  if (numbers.empty())
    for (const TVTCodePage& cp : ShippedCodePages()) numbers.push_back(cp.Number);
  int made = 0;
  try {
    for (int32_t n : numbers) made += MakeTable(n, argv[1]) ? 1 : 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vt_make_tables: %s\n", e.what());
    return 1;
  }
  std::printf("vt_make_tables: %d table(s) written to %s\n", made, argv[1]);
  return 0;
}
