// The member list report with ISPF statistics, load-module attributes or plain counts.
#include "common/VTStrUtils.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIParser.h"

using vtstr::BCDToInt;
using vtstr::FormatThousands;
using vtstr::IntToStr;
using vtstr::PadLeft;
using vtstr::PadRight;
using vtstr::ZeroPad;

bool PackedDateToYMD(uint32_t packed, int& year, int& month, int& day) {
  const int64_t v = BCDToInt(packed >> 4);
  year = static_cast<int>(1900 + v / 1000);
  int doy = static_cast<int>(v % 1000);
  if (year > 9999 || doy < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (month = 1; month <= 12; ++month) {
    const int d = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (doy <= d) {
      day = doy;
      return true;
    }
    doy -= d;
  }
  return false;  // beyond the last day of the year
}

namespace {

// yyyy/mm/dd with the given separator; a value that names no real day is shown as its raw
// packed digits, so that one damaged entry does not cost the whole report.
std::wstring DateText(uint32_t packed, wchar_t sep) {
  int y, m, d;
  if (!PackedDateToYMD(packed, y, m, d)) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring raw(8, L'0');
    for (int i = 7; i >= 0; --i, packed >>= 4) raw[static_cast<size_t>(i)] = kHex[packed & 15];
    return PadRight(raw, 10);
  }
  return ZeroPad(y, 4) + sep + ZeroPad(m, 2) + sep + ZeroPad(d, 2);
}

std::wstring HexUpper(uint32_t v, int digits) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring s(static_cast<size_t>(digits), L'0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = kHex[v & 15];
  return s;
}

}  // namespace

std::wstring TISPFStats::DirStats() const { return DirStats(vtplatform::DateSeparator()); }

std::wstring TISPFStats::DirStats(wchar_t sep) const {
  const int32_t t = BCDToInt(ModTime);
  return PadLeft(IntToStr(Lines), 7) + PadLeft(IntToStr(InitLines), 7) +
         PadLeft(IntToStr(ModLines), 7) + L"  " + ZeroPad(VV, 2) + L"." + ZeroPad(MM, 2) + L"  " +
         DateText(Created, sep) + L"  " + DateText(Modified, sep) + L" " + ZeroPad(t / 100, 2) +
         L":" + ZeroPad(t % 100, 2) + L":" + ZeroPad(BCDToInt(ModSecs), 2) + L"  " + ModBy;
}

std::wstring TLoadStats::LoadStats(const TDirEntry& d) const {
  static const wchar_t* const kAMode[4] = {L"    24", L"    64", L"    31", L"   ANY"};
  return (PDS2MNM.empty() ? std::wstring(8, L' ') : PadRight(PDS2MNM, 8)) + L"   " +
         HexUpper(PDS2STOR, 8) + L"   " + HexUpper(d.TT, 4) + HexUpper(d.R, 2) + L"   00" +
         kAMode[PDS2FTB2 & 3] + ((PDS2FTB2 & 0x10) ? L"  ANY" : L"   24");
}

void TVTXMIParser::GetMemberList(TVTStringList& sl) {
  TVTStringList::TRefill refill(sl);
  const TINMR03Record* r3 = FirstINMR03();
  if (!r3) return;
  if (r3->FISPFStatsPresent) {
    const wchar_t sep = vtplatform::DateSeparator();
    sl.Add(L" Name      Size   Init    Mod  VV.MM   Created          Changed          ID");
    sl.Add(L"");
    for (const auto& e : r3->FMemberList)
      sl.Add(PadRight(e->Member, 8) + (e->ISPFStats ? e->ISPFStats->DirStats(sep) : std::wstring()));
  } else if (r3->FLoadStatsPresent) {
    sl.Add(L" Name       Alias-of     Size      TTR     AC   AM   RM");
    sl.Add(L"");
    for (const auto& e : r3->FMemberList)
      sl.Add(PadRight(e->Member, 8) +
             (e->LoadStats ? L"    " + e->LoadStats->LoadStats(*e) : std::wstring()));
  } else {
    sl.Add(L" MEMBER       SIZE-RECS     SIZE-BYTES             TT             R");
    sl.Add(L"--------      ---------     ----------             --            ---");
    for (const auto& e : r3->FMemberList)
      sl.Add(PadRight(e->Member, 8) + PadLeft(FormatThousands(e->RecCnt), 15) +
             PadLeft(FormatThousands(e->Size), 15) + PadLeft(FormatThousands(e->TT), 15) +
             PadLeft(FormatThousands(e->R), 15));
  }
}
