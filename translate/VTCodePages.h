// The translation tables shipped with the system: one ".ilm" file per EBCDIC code page,
// built into the programs so that a code page can be chosen by its number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TVTSBCSMap;

struct TVTCodePage {
  int32_t Number;             // 37, 273, 1047 ...
  const wchar_t* Description;  // the countries or script it serves
};

// The shipped code pages in ascending order of number.
const std::vector<TVTCodePage>& ShippedCodePages();
// "cp037", "cp1047": the name of the table file without ".ilm", and its map's Name.
std::wstring CodePageTableName(int32_t number);
// The bytes of the shipped table file; false when no table of that number is shipped.
bool ShippedTableData(int32_t number, const uint8_t*& data, size_t& len);
// Loads the shipped table into map; false (map unchanged) when none is shipped.
bool LoadShippedTable(TVTSBCSMap& map, int32_t number);
