// Control records: text units of INMR01, INMR02 and INMR03, and the record format text.
#include "common/VTStrUtils.h"
#include "xmit/VTXMIParser.h"

using vtmf::TVTByteCursor;

std::wstring DecodeRECFM(uint32_t v) {
  std::wstring r = L"Unknown";
  if ((v & 0x8000) && (v & 0x4000)) return L"U";
  if (v & 0x8000) r = L"F";
  if (v & 0x4000) r = L"V";
  if (v & 0x1000) r += L"B";
  if (v & 0x0400) r += L"A";
  if (v & 0x0200) r += L"M";
  return r;
}

namespace {

// The text units of one record, read one after another. A unit whose items run past the
// record ends the reading of that record: what was read before it is kept.
class TTextUnitReader {
 public:
  TTextUnitReader(const uint8_t* data, size_t len, size_t start) : FCur(data, len, start) {}

  // Reads the next unit's key and item count; false at the end of the record or when the
  // unit header does not fit.
  bool Next(uint32_t& key, uint32_t& count) {
    if (!FCur.Has(4)) return false;
    key = FCur.ReadBE16();
    count = FCur.ReadBE16();
    return true;
  }
  // The next item's bytes; false when the item reaches past the record.
  bool Item(const uint8_t*& p, size_t& n) {
    if (!FCur.Has(2)) return false;
    n = FCur.ReadBE16();
    if (!FCur.Has(n)) return false;
    p = FCur.Take(n);
    return true;
  }
  // Skips count items; false when they reach past the record.
  bool SkipItems(uint32_t count) {
    const uint8_t* p;
    size_t n;
    for (uint32_t i = 0; i < count; ++i)
      if (!Item(p, n)) return false;
    return true;
  }

 private:
  TVTByteCursor FCur;
};

uint32_t ItemValue(const uint8_t* p, size_t n) {
  TVTByteCursor c(p, n);
  return c.ReadBEValue(n);
}

}  // namespace

std::wstring TVTXMIParser::ReadTUText(TVTByteCursor& c, size_t length) const {
  const uint8_t* p = c.Take(length);
  return FXlateS->ASCIIStringFromBuffer(p, static_cast<int32_t>(length));
}

void TVTXMIParser::Debug(const wchar_t* recName, uint32_t key) const {
  if (FDebugEvent)
    FDebugEvent(std::wstring(L"Unexpected TU in ") + recName + L": " + vtstr::IntToStr(key));
}

void TVTXMIParser::ProcessINMR01() {
  TINMR01Record& h = *FINMR01Record;
  TTextUnitReader r(FRec, static_cast<size_t>(FRecLen), 6);
  uint32_t key, count;
  while (r.Next(key, count)) {
    const uint8_t* p = nullptr;
    size_t n = 0;
    const bool handled = key == 0x0042 || key == 0x102F || key == 0x1023 || key == 0x1029 ||
                         key == 0x1011 || key == 0x1012 || key == 0x1001 || key == 0x1002 ||
                         key == 0x1024 || key == 0x1026;
    if (!handled) {
      Debug(L"INMR01", key);
      if (!r.SkipItems(count)) return;
      continue;
    }
    if (count >= 1) {
      if (!r.Item(p, n) || !r.SkipItems(count - 1)) return;
    } else if (key == 0x1026) {
      continue;  // INMFACK without items keeps its text
    }
    const std::wstring text = FXlateS->ASCIIStringFromBuffer(p, static_cast<int32_t>(n));
    const uint32_t value = count ? ItemValue(p, n) : 0;
    switch (key) {
      case 0x0042: h.FLRECL = value; break;
      case 0x102F: h.FNUMFL = value; break;
      case 0x1023: h.FVERS = value; break;
      case 0x1029: h.FUSERP = text; break;
      case 0x1011: h.FFNODE = text; break;
      case 0x1012: h.FFUSER = text; break;
      case 0x1001: h.FTNODE = text; break;
      case 0x1002: h.FTUSER = text; break;
      case 0x1024: h.FFTIME = text; break;
      case 0x1026: h.FACK = text; break;
      default: break;
    }
  }
}

void TVTXMIParser::ProcessINMR02() {
  auto rec = std::make_unique<TINMR02Record>();
  TINMR02Record& d = *rec;
  // Appended first, so that a record cut short still counts as read.
  FINMR02List.push_back(std::move(rec));
  if (FRecLen < 10) return;
  d.FFILENUM = vtmf::BE32At(FRec + 6);
  TTextUnitReader r(FRec, static_cast<size_t>(FRecLen), 10);
  uint32_t key, count;
  while (r.Next(key, count)) {
    const uint8_t* p = nullptr;
    size_t n = 0;
    if (key == 0x0002) {  // INMDSNAM: every item, joined with "."
      for (uint32_t i = 0; i < count; ++i) {
        if (!r.Item(p, n)) return;
        const std::wstring part = FXlateS->ASCIIStringFromBuffer(p, static_cast<int32_t>(n));
        d.FDSNAME = i == 0 ? part : d.FDSNAME + L"." + part;
      }
      continue;
    }
    if (key == 0x0028) {  // INMTERM: the file is a message
      d.FTERM = true;
      if (!r.SkipItems(count)) return;
      continue;
    }
    const bool handled = key == 0x003C || key == 0x0042 || key == 0x0049 || key == 0x102C ||
                         key == 0x0030 || key == 0x000C || key == 0x102D || key == 0x8012 ||
                         key == 0x1028 || key == 0x1022 || key == 0x0022 || key == 0x1021 ||
                         key == 0x1020 || key == 0x1029;
    if (!handled) {
      Debug(L"INMR02", key);
      if (!r.SkipItems(count)) return;
      continue;
    }
    if (count >= 1 && (!r.Item(p, n) || !r.SkipItems(count - 1))) return;
    const std::wstring text = FXlateS->ASCIIStringFromBuffer(p, static_cast<int32_t>(n));
    const uint32_t value = count ? ItemValue(p, n) : 0;
    switch (key) {
      case 0x003C: d.FDSORG = value; break;
      case 0x0042: d.FLRECL = value; break;
      case 0x0049: d.FRECFM = value; break;
      case 0x102C: d.FSIZE = value; break;
      case 0x0030: d.FBLKSIZE = value; break;
      case 0x000C: d.FDIR = value; break;
      case 0x102D: d.FFM = value; break;
      case 0x8012: d.FTYPE = value; break;
      case 0x1028: d.FUTIL = text; break;
      case 0x1022: d.FCREAT = text; break;
      case 0x0022: d.FEXPIRE = text; break;
      case 0x1021: d.FCHG = text; break;
      case 0x1020: d.FREF = text; break;
      case 0x1029: d.FUSERP = text; break;
      default: break;
    }
  }
}

void TVTXMIParser::ProcessINMR03() {
  auto rec = std::make_unique<TINMR03Record>();
  TINMR03Record& d = *rec;
  FINMR03List.push_back(std::move(rec));
  TTextUnitReader r(FRec, static_cast<size_t>(FRecLen), 6);
  uint32_t key, count;
  while (r.Next(key, count)) {
    const uint8_t* p = nullptr;
    size_t n = 0;
    const bool handled = key == 0x003C || key == 0x0042 || key == 0x0049 || key == 0x102C;
    if (!handled) {
      Debug(L"INMR03", key);
      if (!r.SkipItems(count)) return;
      continue;
    }
    if (count >= 1 && (!r.Item(p, n) || !r.SkipItems(count - 1))) return;
    const uint32_t value = count ? ItemValue(p, n) : 0;
    switch (key) {
      case 0x003C: d.FDSORG = value; break;
      case 0x0042: d.FLRECL = value; break;
      case 0x0049: d.FRECFM = value; break;
      case 0x102C: d.FSIZE = value; break;
      default: break;
    }
  }
}
