// EBCDIC translation: the single-byte map between host bytes and PC characters.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// A translation table that cannot be used: a missing IBM file, an entry outside its table.
class EVTInvalidTranslation : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Host byte <-> PC character (one UTF-16 code unit). -1 marks a missing mapping.
class TVTSBCSMap {
 public:
  TVTSBCSMap();  // holds the built-in table

  // Refills both tables from the built-in table; name and flag stay as they are.
  void InitializeMap();

  // The character for a host byte; "." when unmapped.
  wchar_t HostToPC(uint16_t inbyte) const {
    const int32_t v = FE2ATab[inbyte & 0xFF];
    return v < 0 ? L'.' : static_cast<wchar_t>(v & 0xFFFF);
  }
  // The character when it is printable ASCII (U+0020..U+007E), else ".".
  wchar_t DisplayableHostToPC(uint16_t inbyte) const {
    const int32_t v = FE2ATab[inbyte & 0xFF];
    return (v >= 0x20 && v <= 0x7E) ? static_cast<wchar_t>(v) : L'.';
  }
  // The host byte for a character; 0 when unmapped.
  uint16_t PCtoHost(uint16_t inchar) const {
    const int32_t v = FA2ETab[inchar];
    return v < 0 ? 0 : static_cast<uint16_t>(v);
  }
  // In place: each byte becomes the low 8 bits of its character (unmapped: FF).
  void ConvertBufferToASCII(uint8_t* buf, int32_t buflen) const;
  // In place: each byte, taken as a character 0..255, becomes its host byte (unmapped: FF).
  void ConvertBufferToEBCDIC(uint8_t* buf, int32_t buflen) const;
  // buflen characters, one per byte; an unmapped byte gives U+FFFF.
  std::wstring ASCIIStringFromBuffer(const uint8_t* buf, int32_t buflen) const;

  // Table files (".ilm"): replaces entries 0..255 of both tables by the file's entries.
  // Errors (file, XML, conversion, an entry outside its table) reach the caller.
  void LoadFromXMLFile(const std::wstring& F);
  // The same from the bytes of such a file held in memory; name becomes the map's Name.
  void LoadFromXMLBuffer(const uint8_t* data, size_t len, const std::wstring& name);
  // Writes both tables to F (or to XMLFileName()).
  void SaveToXMLFile(const std::wstring& F);
  void SaveToXMLFile();
  // Rebuilds the map from the built-in table and a code page listing ("C1 0041" lines).
  void LoadFromIBMFile(const std::wstring& F);
  // Every entry of both tables unmapped (for building a table from scratch).
  void ClearMap();

  const std::wstring& Name() const { return FName; }
  bool SBCSMapChanged() const { return FSBCSMapChanged; }
  const std::wstring& XMLFileName() const { return FXMLFileName; }

  // Raw table access for the table files and their tests.
  int32_t E2A(uint8_t host) const { return FE2ATab[host]; }
  const int32_t* E2ATable() const { return FE2ATab; }  // 256 entries
  int32_t A2E(uint16_t pc) const { return FA2ETab[pc]; }
  void SetE2A(uint8_t host, int32_t pc) { FE2ATab[host] = pc; }
  void SetA2E(uint16_t pc, int32_t host) { FA2ETab[pc] = host; }

 private:
  std::unique_ptr<int32_t[]> FA2ETab;  // 65,536 entries
  int32_t FE2ATab[256];
  bool FSBCSMapChanged = false;
  std::wstring FXMLFileName;
  std::wstring FName;
};
