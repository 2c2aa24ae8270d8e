// Translation table files from untrusted bytes: an ".ilm" file into a single-byte map, and
// the same bytes as a code page listing (decoding, line trimming, hexadecimal numbers).
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "translate/VTTableFiles.h"
#include "translate/VTTranslate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TVTSBCSMap map;
  try {
    map.LoadFromXMLBuffer(data, size, L"fuzz");
  } catch (const std::exception&) {
  }
  uint8_t sample[256];
  for (int i = 0; i < 256; ++i) sample[i] = static_cast<uint8_t>(i);
  map.ConvertBufferToASCII(sample, 256);
  map.ConvertBufferToEBCDIC(sample, 256);

  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const std::wstring& line : vttable::DecodeTextLines(bytes)) {
    int32_t host, pc;
    for (size_t digits : {2u, 4u}) {
      try {
        if (vttable::ListingEntry(line, digits, host, pc) && (host < 0 || pc < 0 || pc > 0xFFFF)) __builtin_trap();
      } catch (const std::exception&) {
      }
    }
  }
  return 0;
}
