#include "translate/VTTableFiles.h"

#include <algorithm>

#include "common/VTStrUtils.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "translate/VTTranslate.h"
#include "xml/VTXML.h"

namespace vttable {

int32_t ParseHex(const std::wstring& s) {
  uint64_t v = 0;
  size_t digits = 0;  // significant digits, leading zeros not counted
  for (wchar_t c : s) {
    int d;
    if (c >= L'0' && c <= L'9') d = c - L'0';
    else if (c >= L'A' && c <= L'F') d = c - L'A' + 10;
    else if (c >= L'a' && c <= L'f') d = c - L'a' + 10;
    else { digits = 99; break; }
    if (v != 0 || d != 0) ++digits;
    v = (v << 4) | static_cast<uint64_t>(d);
    if (digits > 8) break;
  }
  if (s.empty() || digits > 8)
    throw EVTConvertError("'" + vtplatform::ToUtf8(s) + "' is not a valid integer value");
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

std::wstring HexCode(int32_t v) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring s;
  for (uint32_t u = static_cast<uint32_t>(v); u != 0; u >>= 4) s.insert(s.begin(), kDigits[u & 15]);
  while (s.size() < 4) s.insert(s.begin(), L'0');
  return s;
}

std::wstring TableName(const std::wstring& F) {
  std::wstring n = vtplatform::ExtractFileName(F);
  return n.size() > 4 ? n.substr(0, n.size() - 4) : std::wstring();
}

namespace {

// Sets the entries of one section whose names start with one of the prefixes.
void ReadSection(const TVTXMLElement& section, const wchar_t* prefix1, const wchar_t* prefix2,
                 TTableSide side) {
  for (int32_t i = 0; i < section.ElementCount(); ++i) {
    const TVTXMLElement* e = section.GetElement(i);
    const std::wstring name = e->Name();
    const std::wstring head = name.substr(0, 4);
    if (head != prefix1 && (prefix2 == nullptr || head != prefix2)) continue;
    const int32_t index = ParseHex(name.substr(4, 999));
    const int32_t value = ParseHex(e->Value());
    if (index < 0 || index >= side.Size)
      throw EVTInvalidTranslation("Translation table entry outside its table: " + vtplatform::ToUtf8(name));
    if (value < -1 || value > side.MaxValue)
      throw EVTInvalidTranslation("Translation table value outside its range: " + vtplatform::ToUtf8(name) +
                                  " " + vtplatform::ToUtf8(e->Value()));
    side.Tab[index] = value;
  }
}

}  // namespace

void ReadTableTree(TVTXMLDocument& doc, const wchar_t* part, TTableSide a2e, TTableSide e2a) {
  const TVTXMLElement* single = doc.RootElement() ? doc.RootElement()->GetElement(0) : nullptr;
  if (!single || single->Name() != part) return;
  if (const TVTXMLElement* s = single->GetElement(0)) {
    const std::wstring n = s->Name();
    if (n == L"ASCIItoEBCDIC" || n == L"UNICODEtoEBCDIC") ReadSection(*s, L"ASC_", L"UCS_", a2e);
  }
  if (const TVTXMLElement* s = single->GetElement(1)) {
    const std::wstring n = s->Name();
    if (n == L"EBCDICtoASCII" || n == L"EBCDICtoUNICODE") ReadSection(*s, L"EBC_", nullptr, e2a);
  }
}

void WriteTableFile(const std::wstring& F, const wchar_t* root, const wchar_t* part,
                    const int32_t* a2e, int32_t na, const int32_t* e2a, int32_t ne) {
  TVTXMLDocument doc;
  TVTXMLElement* top = doc.AddTag(doc.AddRootTag(root), part);
  TVTXMLElement* s = doc.AddTag(top, L"UNICODEtoEBCDIC");
  for (int32_t i = 0; i < na; ++i)
    if (a2e[i] != -1) doc.AddTagValue(s, L"UCS_" + HexCode(i), HexCode(a2e[i]));
  s = doc.AddTag(top, L"EBCDICtoUNICODE");
  for (int32_t i = 0; i < ne; ++i)
    if (e2a[i] != -1) doc.AddTagValue(s, L"EBC_" + HexCode(i), HexCode(e2a[i]));
  doc.SaveStructuredXML(F);
}

namespace {

// Splits text at CR LF, LF or CR.
std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\r' && text[i] != L'\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::wstring FromUtf16(const std::string& b, size_t from, bool bigEndian) {
  std::wstring w;
  w.reserve((b.size() - from) / 2);
  for (size_t i = from; i + 1 < b.size(); i += 2) {
    const unsigned lo = static_cast<uint8_t>(b[i]), hi = static_cast<uint8_t>(b[i + 1]);
    w.push_back(static_cast<wchar_t>(bigEndian ? (lo << 8) | hi : (hi << 8) | lo));
  }
  return w;
}

}  // namespace

void ParseTableFile(const std::wstring& F, TVTXMLDocument& doc) {
  vtplatform::TVTFileStream in(F, vtplatform::TVTFileStream::TMode::Read);
  doc.ParseFromAnsiStream(in);
}

std::vector<std::wstring> ReadListing(const std::wstring& F, const char* kind) {
  if (!vtplatform::FileExists(F))
    throw EVTInvalidTranslation(std::string(kind) + " mapping not found: " + vtplatform::ToUtf8(F));
  vtplatform::TVTFileStream in(F, vtplatform::TVTFileStream::TMode::Read);
  std::string bytes;
  char buf[65536];
  for (size_t n; (n = in.Read(buf, sizeof buf)) > 0;) bytes.append(buf, n);
  return DecodeTextLines(bytes);
}

std::vector<std::wstring> DecodeTextLines(const std::string& bytes) {
  auto starts = [&](const char* mark, size_t n) { return bytes.compare(0, n, mark, n) == 0; };
  if (starts("\xEF\xBB\xBF", 3)) return SplitLines(vtplatform::FromUtf8(bytes.substr(3)));
  if (starts("\xFF\xFE", 2)) return SplitLines(FromUtf16(bytes, 2, false));
  if (starts("\xFE\xFF", 2)) return SplitLines(FromUtf16(bytes, 2, true));
  return SplitLines(vtplatform::FromAnsi(bytes));
}

std::wstring ListingLine(const std::wstring& line) {
  std::wstring s = vtstr::Trim(line);
  if (!s.empty() && (s[0] == L'#' || s[0] == L'*')) s.clear();
  return s;
}

bool ListingEntry(const std::wstring& line, size_t hostDigits, int32_t& host, int32_t& pc) {
  const std::wstring s = ListingLine(line);
  if (s.empty()) return false;
  host = ParseHex(s.substr(0, hostDigits));
  pc = ParseHex(vtstr::Trim(s.substr(std::min(hostDigits, s.size()))).substr(0, 4));
  return true;
}

std::wstring TableFileFor(const std::wstring& F, const wchar_t* ext) {
  return (F.size() >= 4 ? F.substr(0, F.size() - 4) : std::wstring()) + ext;
}

}  // namespace vttable
