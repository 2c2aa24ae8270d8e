#include "cli/Commands.h"

#include <cstdint>

#include "cli/IsoDate.h"
#include "cli/Json.h"
#include "common/VTStrUtils.h"
#include "platform/VTPlatform.h"
#include "translate/VTCodePages.h"
#include "xmit/VTXMIExtract.h"
#include "xmit/VTXMIParser.h"

EUnfurlError::EUnfurlError(const std::wstring& msg)
    : std::runtime_error(vtplatform::ToUtf8(msg)) {}

namespace {

// Report lines that hold names from the file, their control characters made visible.
void VisibleLines(const TVTStringList& sl, TOutput& out) {
  for (const std::wstring& l : sl.Lines()) out.Line(VisibleText(l));
}

// The lines of a text with "\n" (or CR LF) line ends; a final line end adds no empty line.
template <typename TString>
std::vector<TString> SplitLines(const TString& t) {
  std::vector<TString> lines;
  size_t start = 0;
  while (start < t.size()) {
    size_t end = t.find('\n', start);
    if (end == TString::npos) end = t.size();
    TString line = t.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// JSON text, one output line per line of it.
void JsonOut(const TJsonWriter& w, TOutput& out) {
  for (const std::string& l : SplitLines(w.Text())) out.Line(vtstr::AsciiToWide(l));
}

std::wstring Hex(uint32_t v, int digits) {
  static const wchar_t* kDigits = L"0123456789ABCDEF";
  std::wstring s(static_cast<size_t>(digits), L'0');
  for (int i = 0; i < digits; ++i) {
    s[static_cast<size_t>(digits - 1 - i)] = kDigits[(v >> (4 * i)) & 15];
  }
  return s;
}

std::wstring OrgText(uint32_t dsorg) {
  switch (dsorg) {
    case 0x4000: return L"PS";
    case 0x0200: return L"PO";
    case 0x0008: return L"VSAM";
    default: return L"X'" + Hex(dsorg, 4) + L"'";
  }
}

std::wstring UnloadText(TVTUnloadType t) {
  switch (t) {
    case TVTUnloadType::utPDS: return L"PDS";
    case TVTUnloadType::utPDSE: return L"PDSE";
    default: return L"sequential";
  }
}

bool Partitioned(const TVTXMIParser& p) { return p.UnloadType() != TVTUnloadType::utSeq; }

int32_t MemberCountOf(const TVTXMIParser& p) {
  return p.DataSetINMR03() != nullptr ? p.MemberCount() : 0;
}

std::wstring RecordFormatOf(const TVTXMIParser& p) {
  return p.DataSetINMR02() != nullptr ? p.RecordFormat() : std::wstring();
}

// The addressing and residence modes as the member list shows them.
std::wstring AModeText(uint8_t ftb2) {
  switch (ftb2 & 3) {
    case 0: return L"24";
    case 1: return L"64";
    case 2: return L"31";
    default: return L"ANY";
  }
}
std::wstring RModeText(uint8_t ftb2) { return (ftb2 & 0x10) ? L"ANY" : L"24"; }

void StringOrNull(TJsonWriter& w, const std::wstring& k, const std::wstring& v) {
  w.Key(k);
  if (v.empty()) {
    w.Null();
  } else {
    w.String(v);
  }
}

void MemberJson(TJsonWriter& w, TVTXMIParser& p, const TDirEntry& e) {
  w.BeginObject();
  w.Field(L"name", e.Member);
  w.FieldBool(L"alias", e.Alias);
  w.Field(L"tt", static_cast<int64_t>(e.TT));
  w.Field(L"r", static_cast<int64_t>(e.R));
  w.Field(L"records", e.RecCnt);
  w.Field(L"size", e.Size);
  w.FieldBool(L"has_data", p.MemberHasData(e.Member));
  w.Key(L"ispf");
  if (const TISPFStats* s = e.ISPFStats.get()) {
    w.BeginObject();
    w.Field(L"version", static_cast<int64_t>(s->VV));
    w.Field(L"modification", static_cast<int64_t>(s->MM));
    StringOrNull(w, L"created", PackedDateIso(s->Created));
    StringOrNull(w, L"changed", PackedStampIso(s->Modified, s->ModTime, s->ModSecs));
    w.Field(L"lines", static_cast<int64_t>(s->Lines));
    w.Field(L"init_lines", static_cast<int64_t>(s->InitLines));
    w.Field(L"mod_lines", static_cast<int64_t>(s->ModLines));
    w.Field(L"user", vtstr::Trim(s->ModBy));
    w.FieldBool(L"extended", s->Extended);
    w.EndObject();
  } else {
    w.Null();
  }
  w.Key(L"load");
  if (const TLoadStats* l = e.LoadStats.get()) {
    w.BeginObject();
    w.Field(L"size", static_cast<int64_t>(l->PDS2STOR));
    StringOrNull(w, L"alias_of", vtstr::Trim(l->PDS2MNM));
    w.Field(L"ac", std::wstring(L"00"));
    w.Field(L"amode", AModeText(l->PDS2FTB2));
    w.Field(L"rmode", RModeText(l->PDS2FTB2));
    w.EndObject();
  } else {
    w.Null();
  }
  w.EndObject();
}

// The translation the command line chose, then the file.
void OpenXMIFile(const TUnfurlCommand& c, TVTXMIParser& p) {
  const std::wstring table = c.Value(L"--table");
  const std::wstring codepage = c.Value(L"--codepage");
  if (!table.empty()) {
    try {
      p.XlateS().LoadFromXMLFile(table);
    } catch (const std::exception& e) {
      throw EUnfurlError(L"translation table " + table + L": " + vtplatform::FromUtf8(e.what()));
    }
  } else if (!codepage.empty()) {
    // The command line has checked that the number names a shipped table.
    LoadShippedTable(p.XlateS(), static_cast<int32_t>(std::stol(codepage)));
  }
  p.SetUnicodeText(c.Has(L"--utf8"));
  p.LoadXMIFile(c.Args[0]);
}

}  // namespace

int CmdInfo(const TUnfurlCommand& c, TOutput& out) {
  TVTXMIParser p;
  OpenXMIFile(c, p);
  const bool pds = Partitioned(p);
  TVTStringList message;
  if (p.HasMessage()) p.GetMessageLines(message);
  const std::wstring node = vtstr::Trim(p.FNODE()), user = vtstr::Trim(p.FUSER());

  if (c.Has(L"--json")) {
    TJsonWriter w;
    w.BeginObject();
    w.Field(L"file", c.Args[0]);
    w.Field(L"dsname", p.DSName());
    w.Field(L"organisation", OrgText(p.DSORG()));
    w.Field(L"dsorg", static_cast<int64_t>(p.DSORG()));
    w.Field(L"recfm", RecordFormatOf(p));
    w.Field(L"lrecl", static_cast<int64_t>(p.LRECL()));
    w.Field(L"unload_type", UnloadText(p.UnloadType()));
    if (pds) {
      w.Field(L"members", static_cast<int64_t>(MemberCountOf(p)));
    } else {
      w.Field(L"records", p.SeqRecordCount());
    }
    w.Field(L"origin_node", node);
    w.Field(L"origin_user", user);
    w.Key(L"message");
    if (p.HasMessage()) {
      w.BeginArray();
      for (const std::wstring& l : message.Lines()) w.String(l);
      w.EndArray();
    } else {
      w.Null();
    }
    w.EndObject();
    JsonOut(w, out);
    return 0;
  }

  out.Line(L"File:          " + VisibleText(c.Args[0]));
  out.Line(L"Data set:      " + VisibleText(p.DSName()));
  out.Line(L"Organisation:  " + OrgText(p.DSORG()));
  out.Line(L"Record format: " + RecordFormatOf(p));
  out.Line(L"LRECL:         " + vtstr::IntToStr(p.LRECL()));
  out.Line(L"Unload type:   " + UnloadText(p.UnloadType()));
  if (pds) {
    out.Line(L"Members:       " + vtstr::FormatThousands(MemberCountOf(p)));
  } else {
    out.Line(L"Records:       " + vtstr::FormatThousands(p.SeqRecordCount()));
  }
  out.Line(L"Origin node:   " + VisibleText(node));
  out.Line(L"Origin user:   " + VisibleText(user));
  if (p.HasMessage()) {
    out.Line(L"Message:");
    for (const std::wstring& l : message.Lines()) out.Line(L"  " + VisibleText(l));
  }
  return 0;
}

int CmdList(const TUnfurlCommand& c, TOutput& out) {
  TVTXMIParser p;
  OpenXMIFile(c, p);
  if (c.Has(L"--json")) {
    TJsonWriter w;
    w.BeginArray();
    const int32_t n = MemberCountOf(p);
    for (int32_t i = 0; i < n; ++i) MemberJson(w, p, p.MemberEntry(i));
    w.EndArray();
    JsonOut(w, out);
    return 0;
  }
  TVTStringList sl;
  p.GetMemberList(sl);
  VisibleLines(sl, out);
  return 0;
}

int CmdShow(const TUnfurlCommand& c, TOutput& out) {
  TVTXMIParser p;
  OpenXMIFile(c, p);
  const std::wstring& m = c.Args[1];
  if (!Partitioned(p)) {
    throw EUnfurlError(L"a sequential data set has no members; use 'unfurl records'");
  }
  if (p.FindMember(m) == nullptr) throw EUnfurlError(L"member " + m + L" not found");
  if (c.Has(L"--raw")) {
    p.WriteRawMemberData(m, [&out](const uint8_t* data, size_t len) { out.Bytes(data, len); });
    return 0;
  }
  p.SetConvertData(!c.Has(L"--native"));
  // Line by line: a member of any size takes bounded memory.
  p.GetMemberData(m, [&out](const std::wstring& l) { out.Line(l); }, c.Has(L"--hex"));
  return 0;
}

int CmdRecords(const TUnfurlCommand& c, TOutput& out) {
  TVTXMIParser p;
  OpenXMIFile(c, p);
  if (Partitioned(p)) {
    throw EUnfurlError(L"not a sequential data set (" + UnloadText(p.UnloadType()) +
                       L"); use 'unfurl list' and 'unfurl show'");
  }
  const TVTLineSink sink = [&out](const std::wstring& l) { out.Line(l); };
  if (c.Has(L"--hex")) {
    p.GetRecordData(sink);
  } else {
    p.GetRecordText(sink);
  }
  return 0;
}

int CmdDump(const TUnfurlCommand& c, TOutput& out) {
  TVTXMIParser p;
  OpenXMIFile(c, p);
  p.DumpXMIRecordData([&out](const std::wstring& l) { out.Line(l); });
  return 0;
}

int CmdExtract(const TUnfurlCommand& c, TOutput& out) {
  TVTXMIParser p;
  OpenXMIFile(c, p);
  // Like other extractors: into the current folder unless a folder is named, never beside
  // the input by surprise (its folder may be one the user only reads).
  const std::wstring dir = c.Args.size() > 1 ? c.Args[1] : std::wstring(L".");
  TVTExtractOptions o;
  o.Subfolder = c.Has(L"--subdir");
  o.Raw = c.Has(L"--raw");
  o.Utf8 = c.Has(L"--utf8");
  const std::wstring msg = ExtractAllMembers(p, dir, o);
  if (msg.compare(0, 9, L"Extracted") != 0) throw EUnfurlError(msg);
  // The message may hold more than one line.
  for (const std::wstring& l : SplitLines(msg)) out.Line(VisibleText(l));
  return 0;
}

int CmdCodePages(const TUnfurlCommand&, TOutput& out) {
  for (const TVTCodePage& cp : ShippedCodePages()) {
    const uint8_t* data;
    size_t len;
    if (!ShippedTableData(cp.Number, data, len)) continue;
    out.Line(vtstr::PadLeft(vtstr::IntToStr(cp.Number), 5) + L"  " +
             vtstr::PadRight(CodePageTableName(cp.Number), 7) + L"  " + cp.Description);
  }
  return 0;
}
