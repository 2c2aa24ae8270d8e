// Hex dumps: the formatter, the low-level dump of every logical record, and the record dump
// of a sequential data set.
#include <algorithm>

#include "common/VTStrUtils.h"
#include "common/VTTextWriter.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIWalk.h"

namespace {

const char kHex[] = "0123456789abcdef";

// Where the parts of a dump line of w bytes lie: "+", 8 hex digits of the offset, 3 blanks,
// w hex pairs with a blank after every fourth, "   *", w characters, "*".
struct TDumpLayout {
  explicit TDumpLayout(size_t width) : W(width), HexLen(2 * width + width / 4), LineLen(12 + HexLen + 4 + width + 1) {}
  size_t W, HexLen, LineLen;
};

// The two hex digits of each byte value.
struct THexPairs {
  char P[256][2];
  THexPairs() {
    for (int b = 0; b < 256; ++b) {
      P[b][0] = kHex[b >> 4];
      P[b][1] = kHex[b & 15];
    }
  }
};
const THexPairs kPairs;

// The fixed characters of a data line (layout.LineLen characters): blanks, "+" and the two
// "*" around the character column. The parts FillDumpLine writes follow.
template <typename TChar>
void PrimeDumpLine(TChar* out, const TDumpLayout& layout) {
  std::fill(out, out + layout.LineLen, TChar(' '));
  out[0] = TChar('+');
  out[12 + layout.HexLen + 3] = TChar('*');
  out[layout.LineLen - 1] = TChar('*');
}

// The offset, the hex pairs and the characters of n bytes (n up to layout.W) into a primed
// line. The character column comes from disp, which holds only printable ASCII and ".".
template <typename TChar>
void FillDumpLine(TChar* out, const TDumpLayout& layout, const char* disp, const uint8_t* p, size_t n,
                  uint64_t off) {
  for (int i = 4; i >= 1; --i, off >>= 8) {
    out[2 * i - 1] = TChar(kPairs.P[off & 0xFF][0]);
    out[2 * i] = TChar(kPairs.P[off & 0xFF][1]);
  }
  TChar* hex = out + 12;
  TChar* chars = out + 12 + layout.HexLen + 4;
  for (size_t i = 0; i < n; ++i) {
    TChar* h = hex + 2 * i + i / 4;
    h[0] = TChar(kPairs.P[p[i]][0]);
    h[1] = TChar(kPairs.P[p[i]][1]);
    chars[i] = TChar(disp[p[i]]);
  }
}

// The data lines of a dump into line, handed to emit one by one. A line is primed once and
// then only refilled, except the last one when it is shorter.
template <typename TString, typename TEmit>
void DumpDataLines(TString& line, const TDumpLayout& layout, const char* disp, const uint8_t* data,
                   int64_t len, TEmit emit) {
  line.resize(layout.LineLen);
  bool primed = false;
  for (int64_t off = 0; off < len; off += static_cast<int64_t>(layout.W)) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(layout.W), len - off));
    if (!primed || n < layout.W) PrimeDumpLine(&line[0], layout);
    primed = n == layout.W;
    FillDumpLine(&line[0], layout, disp, data + off, n, static_cast<uint64_t>(off));
    emit();
  }
}

// Appends the decimal digits of n (not negative) with "," between groups of three.
char* PutThousands(char* out, int64_t n) {
  uint64_t u = n < 0 ? 0 : static_cast<uint64_t>(n);
  unsigned groups[8];
  int k = 0;
  while (u >= 1000) {
    groups[k++] = static_cast<unsigned>(u % 1000);
    u /= 1000;
  }
  // The leading group without leading zeros, then each further group as three digits.
  const unsigned lead = static_cast<unsigned>(u);
  if (lead >= 100) *out++ = static_cast<char>('0' + lead / 100);
  if (lead >= 10) *out++ = static_cast<char>('0' + lead / 10 % 10);
  *out++ = static_cast<char>('0' + lead % 10);
  while (k > 0) {
    const unsigned g = groups[--k];
    out[0] = ',';
    out[1] = static_cast<char>('0' + g / 100);
    out[2] = static_cast<char>('0' + g / 10 % 10);
    out[3] = static_cast<char>('0' + g % 10);
    out += 4;
  }
  return out;
}

char* PutText(char* out, const char* text) {
  while (*text) *out++ = *text++;
  return out;
}

// The title line of record n of a record dump, at title (128 bytes are enough); its length.
size_t RecordDumpTitle(char* title, int64_t n, int64_t len, int64_t pos) {
  char* t = PutText(title, "Dump of record #");
  t = PutThousands(t, n);
  t = PutText(t, ", Length=");
  t = PutThousands(t, len);
  t = PutText(t, " bytes, Offset=");
  t = PutThousands(t, pos);
  return static_cast<size_t>(t - title);
}

}  // namespace

// The title line of a dump of w bytes per line; made once per width.
const std::wstring& TVTXMIParser::HexDumpHeader(size_t w) const {
  std::wstring& cached = FDumpHeader;
  if (FDumpHeaderWidth != w || cached.empty()) {
    const int64_t hexDashes = static_cast<int64_t>(2 * w + w / 4) - 3;
    const std::wstring hexBar =
        L"<" + std::wstring(static_cast<size_t>(std::max<int64_t>(0, hexDashes)), L'-') + L">";
    const std::wstring charBar = L"<" + std::wstring(w, L'-') + L">";
    cached = L" <OFFSET>   " + vtstr::CenterOverlay(hexBar, L" HEXADECIMAL ") + L"    " +
             vtstr::CenterOverlay(charBar, L" CHARACTER ");
    FDumpHeaderWidth = w;
  }
  return cached;
}

// The character column's character for each byte: translated, or the byte itself when it
// is printable ASCII.
const char* TVTXMIParser::DumpCharacters() const {
  for (int b = 0; b < 256; ++b) {
    const wchar_t c = FConvertData ? FXlateS->DisplayableHostToPC(static_cast<uint16_t>(b))
                                   : ((b >= 0x20 && b <= 0x7E) ? static_cast<wchar_t>(b) : L'.');
    FDumpChars[b] = static_cast<char>(c);
  }
  return FDumpChars;
}

void TVTXMIParser::HexDumpBuffer(const uint8_t* data, TVTStringList& sl, int64_t len,
                                 int32_t width) const {
  HexDumpBuffer(data, [&](const std::wstring& l) { sl.Add(l); }, len, width);
}

void TVTXMIParser::HexDumpBuffer(const uint8_t* data, const TVTLineSink& sink, int64_t len,
                                 int32_t width) const {
  HexDumpLines(data, sink, len, width, DumpCharacters());
}

void TVTXMIParser::HexDumpBuffer(const uint8_t* data, TVTTextWriter& out, int64_t len, int32_t width) const {
  HexDumpLines(data, out, len, width, DumpCharacters());
}

void TVTXMIParser::HexDumpLines(const uint8_t* data, const TVTLineSink& sink, int64_t len, int32_t width,
                                const char* disp) const {
  THexDumpStream dump(*this, sink, width, disp);
  dump.Add(data, static_cast<size_t>(std::max<int64_t>(0, len)), true);
}

void TVTXMIParser::HexDumpLines(const uint8_t* data, TVTTextWriter& out, int64_t len, int32_t width,
                                const char* disp) const {
  const TDumpLayout layout(width < 1 ? 1 : static_cast<size_t>(width));
  if (FDumpHeaderAnsiWidth != layout.W) {
    FDumpHeaderAnsi = vtplatform::ToAnsi(HexDumpHeader(layout.W));
    FDumpHeaderAnsiWidth = layout.W;
  }
  out.WriteLineBytes(reinterpret_cast<const uint8_t*>(FDumpHeaderAnsi.data()), FDumpHeaderAnsi.size());
  std::string& line = FDumpLineAnsi;
  DumpDataLines(line, layout, disp, data, len,
                [&] { out.WriteLineBytes(reinterpret_cast<const uint8_t*>(line.data()), line.size()); });
}

TVTXMIParser::THexDumpStream::THexDumpStream(const TVTXMIParser& p, const TVTLineSink& sink, int32_t width,
                                             const char* disp)
    : FParser(p), FSink(sink), FWidth(width < 1 ? 1 : static_cast<size_t>(width)), FDisp(disp) {
  FSink(FParser.HexDumpHeader(FWidth));
}

void TVTXMIParser::THexDumpStream::Emit(const uint8_t* data, size_t n) {
  // The parser's line is primed once and then only refilled, except for a short last line.
  const TDumpLayout layout(FWidth);
  std::wstring& line = FParser.FDumpLine;
  if (!FPrimed || n < FWidth) {
    line.resize(layout.LineLen);
    PrimeDumpLine(&line[0], layout);
  }
  FPrimed = n == FWidth;
  FillDumpLine(&line[0], layout, FDisp, data, n, FOffset);
  FSink(line);
  FOffset += n;
}

void TVTXMIParser::THexDumpStream::Add(const uint8_t* data, size_t len, bool last) {
  if (!FCarry.empty()) {
    const size_t take = std::min(FWidth - FCarry.size(), len);
    FCarry.insert(FCarry.end(), data, data + take);
    data += take;
    len -= take;
    if (FCarry.size() < FWidth) return;
    Emit(FCarry.data(), FWidth);
    FCarry.clear();
  }
  for (; len >= FWidth; data += FWidth, len -= FWidth) Emit(data, FWidth);
  if (last) {
    if (len > 0) Emit(data, len);  // the short last line, straight from the data
  } else {
    FCarry.assign(data, data + len);
  }
}

void TVTXMIParser::THexDumpStream::Finish() {
  if (!FCarry.empty()) Emit(FCarry.data(), FCarry.size());
  FCarry.clear();
}

void TVTXMIParser::DumpXMIRecordData(TVTStringList& sl, int32_t /*datawidth: always 32*/) {
  TVTStringList::TRefill refill(sl);
  DumpXMIRecordData([&](const std::wstring& l) { sl.Add(l); });
}

void TVTXMIParser::DumpXMIRecordData(const TVTLineSink& sink) {
  SeekTo(0);
  FRecCnt = 0;
  FCtrlCnt = 0;
  FDataCnt = 0;
  FMemberCnt = 0;

  // Members by the record where their data starts, so that each record finds the members
  // it belongs to without a scan of the whole directory.
  struct TSpan {
    int64_t first, count;
    size_t index;
  };
  std::vector<TSpan> spans;
  const TINMR03Record* r3 = FirstINMR03();
  if (r3) {
    for (size_t i = 0; i < r3->FMemberList.size(); ++i) {
      const TDirEntry& e = *r3->FMemberList[i];
      if (e.XMIRecCnt > 0) spans.push_back({e.XMIRecNum, e.XMIRecCnt, i});
    }
    std::sort(spans.begin(), spans.end(),
              [](const TSpan& a, const TSpan& b) { return a.first < b.first; });
  }
  size_t next = 0;
  std::vector<TSpan> active;
  const char* disp = DumpCharacters();
  do {
    ReadXMITRecord();
    ++FRecCnt;
    std::wstring title;
    if (FRecType == TVTXMITRecordType::rtControl) {
      title = L"Dump of control record " + FRecName + L" length=" + vtstr::IntToStr(FRecLen);
    } else {
      title = L"Dump of data record " + vtstr::IntToStr(FRecCnt) + L" length=" + vtstr::IntToStr(FRecLen);
      while (next < spans.size() && spans[next].first <= FRecCnt) active.push_back(spans[next++]);
      active.erase(std::remove_if(active.begin(), active.end(),
                                  [&](const TSpan& s) { return FRecCnt >= s.first + s.count; }),
                   active.end());
      std::vector<TSpan> here = active;
      std::sort(here.begin(), here.end(),
                [](const TSpan& a, const TSpan& b) { return a.index < b.index; });
      for (const TSpan& s : here)
        title += L" (Record " + vtstr::IntToStr(FRecCnt - s.first + 1) + L" of " +
                 vtstr::IntToStr(s.count) + L" of Member: " + r3->FMemberList[s.index]->Member + L")";
    }
    sink(title);
    HexDumpLines(FRec, sink, FRecLen, 32, disp);
    sink(L" ");
  } while (FRecType == TVTXMITRecordType::rtData || FRecName != L"INMR06");
}

void TVTXMIParser::DumpXMIRecordData(const std::wstring& dumpfile, int32_t /*datawidth*/) {
  std::wstring folder = FFolder;
  if (!folder.empty() && folder.back() != vtplatform::PathDelimiter()) folder += vtplatform::PathDelimiter();
  // Written line by line: the dump of a large file is too big to hold.
  TVTTextWriter out(folder + dumpfile);
  DumpXMIRecordData([&](const std::wstring& l) { out.WriteLine(l); });
  out.Close();
}

void TVTXMIParser::GetRecordData(TVTStringList& sl, int64_t /*maxrecs: limits nothing*/) {
  TVTStringList::TRefill refill(sl);
  GetRecordData([&](const std::wstring& l) { sl.Add(l); });
}

void TVTXMIParser::GetRecordData(TVTTextWriter& out) {
  // The same lines as the text form below, made as bytes: every character is ASCII.
  int64_t n = 0;
  char title[128];
  const char* disp = DumpCharacters();
  WalkSequentialRecords([&](const uint8_t* rec, size_t len) {
    const size_t k = RecordDumpTitle(title, ++n, static_cast<int64_t>(len), FRecordPos);
    out.WriteLineBytes(reinterpret_cast<const uint8_t*>(title), k);
    HexDumpLines(rec, out, static_cast<int64_t>(len), 32, disp);
    out.WriteLineBytes(nullptr, 0);
    out.WriteLineBytes(nullptr, 0);
  });
}

void TVTXMIParser::GetRecordData(const TVTLineSink& sink) {
  int64_t n = 0;
  char title[128];
  const char* disp = DumpCharacters();
  WalkSequentialRecords([&](const uint8_t* rec, size_t len) {
    const size_t k = RecordDumpTitle(title, ++n, static_cast<int64_t>(len), FRecordPos);
    sink(std::wstring(title, title + k));
    HexDumpLines(rec, sink, static_cast<int64_t>(len), 32, disp);
    sink(L"");
    sink(L"");
  });
}
