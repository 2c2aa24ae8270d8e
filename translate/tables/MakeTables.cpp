// Makes the shipped translation tables from the C library's iconv: for each code page, the
// host-to-PC side is iconv's mapping of each of the 256 host bytes, and the PC-to-host
// side is its inverse. Usage: vt_make_tables OUTDIR [NUMBER...]  (default: every
// shipped code page). Code pages iconv does not know are reported and skipped.
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/VTPlatform.h"
#include "translate/VTCodePages.h"
#include "translate/VTTranslate.h"

namespace {

// The character iconv gives for one host byte; -1 when it gives none or more than one.
int32_t Convert(iconv_t cd, uint8_t host) {
  char in[1] = {static_cast<char>(host)};
  unsigned char out[8];
  char* ip = in;
  char* op = reinterpret_cast<char*>(out);
  size_t il = 1, ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return -1;
  if (sizeof out - ol != 2) return -1;  // none, or a surrogate pair
  return out[0] | (out[1] << 8);
}

bool MakeTable(int32_t number, const std::string& outdir) {
  char name[16];
  std::snprintf(name, sizeof name, "IBM%03d", static_cast<int>(number));
  iconv_t cd = iconv_open("UTF-16LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "vt_make_tables: iconv has no %s; skipped\n", name);
    return false;
  }
  TVTSBCSMap map;
  map.ClearMap();
  for (int b = 0; b < 256; ++b) map.SetE2A(static_cast<uint8_t>(b), Convert(cd, static_cast<uint8_t>(b)));
  iconv_close(cd);
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
