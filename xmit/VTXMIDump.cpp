// Hex dumps: the formatter, the low-level dump of every logical record, and the record dump
// of a sequential data set.
#include <algorithm>

#include "common/VTStrUtils.h"
#include "common/VTTextWriter.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIWalk.h"

namespace {

const wchar_t kHex[] = L"0123456789abcdef";

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

void TVTXMIParser::HexDumpBuffer(const uint8_t* data, TVTStringList& sl, int64_t len,
                                 int32_t width) const {
  HexDumpBuffer(data, [&](const std::wstring& l) { sl.Add(l); }, len, width);
}

void TVTXMIParser::HexDumpBuffer(const uint8_t* data, const TVTLineSink& sink, int64_t len,
                                 int32_t width) const {
  const size_t w = width < 1 ? 1 : static_cast<size_t>(width);
  sink(HexDumpHeader(w));
  // Each data line: "+", 8 hex digits of the offset, 3 blanks, w hex pairs with a blank
  // after every fourth, "   *", w characters, "*". Built in place, position by position.
  const size_t hexLen = 2 * w + w / 4;
  const size_t lineLen = 12 + hexLen + 4 + w + 1;
  std::wstring& line = FDumpLine;
  for (int64_t off = 0; off < len; off += static_cast<int64_t>(w)) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(w), len - off));
    const uint8_t* p = data + off;
    line.assign(lineLen, L' ');
    wchar_t* out = &line[0];
    out[0] = L'+';
    uint64_t o = static_cast<uint64_t>(off);
    for (int i = 8; i >= 1; --i, o >>= 4) out[i] = kHex[o & 15];
    wchar_t* hex = out + 12;
    wchar_t* chars = out + 12 + hexLen + 4;
    chars[-1] = L'*';
    for (size_t i = 0; i < n; ++i) {
      wchar_t* h = hex + 2 * i + i / 4;
      h[0] = kHex[p[i] >> 4];
      h[1] = kHex[p[i] & 15];
      if (FConvertData) {
        chars[i] = FXlateS->DisplayableHostToPC(p[i]);
      } else {
        chars[i] = (p[i] >= 0x20 && p[i] <= 0x7E) ? static_cast<wchar_t>(p[i]) : L'.';
      }
    }
    chars[w] = L'*';
    sink(line);
  }
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
    HexDumpBuffer(FRec, sink, FRecLen, 32);
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

void TVTXMIParser::GetRecordData(const TVTLineSink& sink) {
  int64_t n = 0;
  WalkSequentialRecords([&] {
    ++n;
    sink(L"Dump of record #" + vtstr::FormatThousands(n) + L", Length=" +
         vtstr::FormatThousands(FRecLen) + L" bytes, Offset=" + vtstr::FormatThousands(FRecordPos));
    HexDumpBuffer(FRec, sink, FRecLen, 32);
    sink(L"");
    sink(L"");
  });
}
