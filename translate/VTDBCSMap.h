// EBCDIC translation: the double-byte map between 16-bit host codes and PC characters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// 16-bit host code <-> PC character (one UTF-16 code unit). -1 marks a missing mapping;
// there is no built-in table, so a new map maps nothing.
class TVTDBCSMap {
 public:
  TVTDBCSMap();

  // The character for a host code; FFFF when unmapped.
  uint16_t HostToPC(uint16_t inword) const { return static_cast<uint16_t>(FHostToUCS[inword] & 0xFFFF); }
  // The host code for a character; FFFF when unmapped.
  uint16_t PCtoHost(uint16_t inword) const { return static_cast<uint16_t>(FUCSToHost[inword] & 0xFFFF); }

  // ".idm" files: loading first unmaps every entry of both tables. Errors reach the caller.
  void LoadFromXMLFile(const std::wstring& F);
  void SaveToXMLFile(const std::wstring& F);
  void SaveToXMLFile();
  // Builds the map from a listing of "4040 3000" lines; a line that does not read as two
  // hexadecimal numbers fails the load with EVTConvertError.
  void LoadFromIBMFile(const std::wstring& F);

  const std::wstring& Name() const { return FName; }
  bool DBCSMapChanged() const { return FDBCSMapChanged; }
  const std::wstring& XMLFileName() const { return FXMLFileName; }
  int32_t H2U(uint16_t host) const { return FHostToUCS[host]; }
  int32_t U2H(uint16_t pc) const { return FUCSToHost[pc]; }
  void SetMapping(uint16_t host, uint16_t pc) {
    FHostToUCS[host] = pc;
    FUCSToHost[pc] = host;
  }

 private:
  void Clear();

  std::unique_ptr<int32_t[]> FHostToUCS;  // 65,536 entries
  std::unique_ptr<int32_t[]> FUCSToHost;  // 65,536 entries
  bool FDBCSMapChanged = false;
  std::wstring FXMLFileName;
  std::wstring FName;
};
