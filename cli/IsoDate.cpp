#include "cli/IsoDate.h"

#include "common/VTStrUtils.h"

namespace {

bool IsLeap(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Year, month and day of a packed date; false when it names no real day.
bool DecodeDate(uint32_t packed, int32_t& year, int32_t& month, int32_t& day) {
  const int32_t v = vtstr::BCDToInt(packed >> 4);
  year = 1900 + v / 1000;
  int32_t yday = v % 1000;
  if (year > 9999 || yday < 1 || yday > (IsLeap(year) ? 366 : 365)) return false;
  static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  month = 1;
  for (int32_t m = 0; m < 12; ++m) {
    const int32_t len = kDays[m] + (m == 1 && IsLeap(year) ? 1 : 0);
    if (yday <= len) break;
    yday -= len;
    ++month;
  }
  day = yday;
  return true;
}

}  // namespace

std::wstring PackedDateIso(uint32_t packed) {
  int32_t y = 0, m = 0, d = 0;
  if (!DecodeDate(packed, y, m, d)) return std::wstring();
  return vtstr::ZeroPad(y, 4) + L"-" + vtstr::ZeroPad(m, 2) + L"-" + vtstr::ZeroPad(d, 2);
}

std::wstring PackedStampIso(uint32_t packedDate, uint16_t packedTime, uint8_t packedSecs) {
  const std::wstring date = PackedDateIso(packedDate);
  if (date.empty()) return date;
  const int32_t t = vtstr::BCDToInt(packedTime);
  const int32_t hh = t / 100, mm = t % 100, ss = vtstr::BCDToInt(packedSecs);
  if (hh > 23 || mm > 59 || ss > 59) return std::wstring();
  return date + L"T" + vtstr::ZeroPad(hh, 2) + L":" + vtstr::ZeroPad(mm, 2) + L":" +
         vtstr::ZeroPad(ss, 2);
}
