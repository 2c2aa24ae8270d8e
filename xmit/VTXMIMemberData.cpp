// Member data: a member's records as text lines or one hex dump, its host bytes, and the
// records of a sequential data set.
#include <algorithm>

#include "common/VTStrUtils.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIWalk.h"

void TVTXMIParser::SeekTo(int64_t pos) {
  if (!FInputStream) throw EXMITError("No XMIT file is loaded");
  FInputStream->Seek(pos);
}

void TVTXMIParser::PrepareAnsiTable() const {
  if (!FAnsiTable.empty()) return;
  FAnsiTable.assign(256, L'?');
  FAnsiSingleByte = true;
  FAnsiRoundTrip = true;
  for (int b = 0; b < 256; ++b) {
    const std::wstring w = vtplatform::FromAnsi(std::string(1, static_cast<char>(b)));
    if (w.size() != 1) {
      FAnsiSingleByte = false;
      FAnsiRoundTrip = false;
      continue;
    }
    FAnsiTable[static_cast<size_t>(b)] = w[0];
    const std::string back = vtplatform::ToAnsi(w);
    if (back.size() != 1 || static_cast<uint8_t>(back[0]) != b) FAnsiRoundTrip = false;
  }
}

// Bytes read as text in the ANSI code page, one character per byte.
std::wstring TVTXMIParser::BytesToText(const uint8_t* data, size_t len) const {
  PrepareAnsiTable();
  if (!FAnsiSingleByte) return vtplatform::FromAnsi(std::string(reinterpret_cast<const char*>(data), len));
  std::wstring s(len, L'\0');
  for (size_t i = 0; i < len; ++i) s[i] = FAnsiTable[data[i]];
  return s;
}

void TVTXMIParser::PrepareTextTables() {
  const int32_t* e2a = FXlateS->E2ATable();
  if (FTextTablesReady && std::equal(e2a, e2a + 256, FTextFrom)) return;
  PrepareAnsiTable();
  std::copy(e2a, e2a + 256, FTextFrom);
  for (int b = 0; b < 256; ++b) {
    const int32_t v = e2a[b];
    uint8_t a = static_cast<uint8_t>(v & 0xFF);  // unmapped (-1) gives FF
    if (v > 0xFF) {
      const std::string s = vtplatform::ToAnsi(std::wstring(1, static_cast<wchar_t>(v)));
      a = s.size() == 1 ? static_cast<uint8_t>(s[0]) : static_cast<uint8_t>('?');
    }
    FHostAnsi[b] = a;
    // A control character of the table (U+0080-U+009F) stays that character in Unicode text:
    // read as an ANSI byte it would become a letter (0x9C is "oe" in Windows-1252).
    const bool c1 = v >= 0x80 && v <= 0x9F;
    FHostText[b] = v > 0xFF || c1 ? static_cast<wchar_t>(v)
                                  : (FAnsiSingleByte ? FAnsiTable[a] : static_cast<wchar_t>(a));
  }
  FTextTablesReady = true;
}

void TVTXMIParser::LoadSBCSTable(const std::wstring& f) {
  try {
    FXlateS->LoadFromXMLFile(f);
  } catch (...) {
    FXlateS->InitializeMap();
  }
}

const TDirEntry* TVTXMIParser::DataEntry(const std::wstring& m) {
  TINMR03Record* r = FirstINMR03();
  return r ? r->Member(m) : nullptr;
}

bool TVTXMIParser::MemberHasData(const std::wstring& m) {
  const TDirEntry* e = DataEntry(m);
  return e != nullptr && e->Offset != 0;
}

int32_t TVTXMIParser::MaxRecordLength(const std::wstring& m) {
  const TDirEntry* e = DataEntry(m);
  return e ? static_cast<int32_t>(e->MaxLRECL) : 0;
}

bool TVTXMIParser::WriteMemberLines(const std::wstring& m, const TVTByteSink& sink) {
  const TDirEntry* e = DataEntry(m);
  if (!e) return false;
  if (FConvertData) PrepareTextTables();
  WalkMemberRecords(*e, [&](const uint8_t* rec, size_t len) {
    if (!FConvertData) {
      sink(rec, len);
      return;
    }
    // Translated in a copy: the record may lie in the stream's own buffer.
    if (FScratch.size() < len) FScratch.resize(len);
    uint8_t* out = FScratch.data();
    for (size_t i = 0; i < len; ++i) out[i] = FHostAnsi[rec[i]];
    sink(out, len);
  });
  return true;
}

void TVTXMIParser::GetMemberData(const std::wstring& m, TVTStringList& sl, bool dump) {
  TVTStringList::TRefill refill(sl);
  GetMemberData(m, [&](const std::wstring& l) { sl.Add(l); }, dump);
}

bool TVTXMIParser::GetMemberData(const std::wstring& m, const TVTLineSink& sink, bool dump) {
  const TDirEntry* e = DataEntry(m);
  if (!e) return false;
  if (dump || LRECL() == 0) {
    if (e->Offset == 0) return true;  // no data: nothing to dump
    // A member cut short by a control record is not dumped at all: a first walk finds out
    // how the member ends, the second dumps its blocks as they come.
    if (WalkMemberBlocks(*e, [](const uint8_t*, size_t) {}) == TWalkEnd::weControl) return true;
    THexDumpStream dumper(*this, sink, 32, DumpCharacters());
    WalkMemberBlocks(*e, [&](const uint8_t* blk, size_t dl) { dumper.Add(blk, dl); });
    dumper.Finish();
    return true;
  }
  if (FConvertData && FUnicodeText) {
    // Straight from the host bytes, so characters outside the ANSI code page stay.
    PrepareTextTables();
    std::wstring line;
    WalkMemberRecords(*e, [&](const uint8_t* rec, size_t len) {
      line.resize(len);
      for (size_t i = 0; i < len; ++i) line[i] = FHostText[rec[i]];
      sink(line);
    });
    return true;
  }
  WriteMemberLines(m, [&](const uint8_t* p, size_t n) { sink(BytesToText(p, n)); });
  return true;
}

bool TVTXMIParser::WriteRawMemberData(const std::wstring& m, const TVTByteSink& sink) {
  const TDirEntry* e = DataEntry(m);
  if (!e) return false;
  const size_t lrecl = static_cast<size_t>(LRECL());
  // Fixed formats: the whole records of each block. Variable formats: each block's data
  // whole, block and record descriptors included, so the file can go back to the host as it
  // came. U (and a data set without LRECL): the blocks' bytes.
  const bool wholeBlocks = lrecl == 0 || RecordFormat() == L"U" || VariableRecords();
  WalkMemberBlocks(*e, [&](const uint8_t* blk, size_t dl) {
    if (wholeBlocks) {
      sink(blk, dl);
    } else {
      sink(blk, dl - dl % lrecl);
    }
  });
  return true;
}

void TVTXMIParser::SaveRawMemberData(const std::wstring& m, const std::wstring& f) {
  const TDirEntry* e = DataEntry(m);
  if (!e || e->Offset == 0) return;
  vtplatform::TVTFileStream out(f, vtplatform::TVTFileStream::TMode::Create);
  WriteRawMemberData(m, [&](const uint8_t* p, size_t n) { out.Write(p, n); });
  out.Close();
}

void TVTXMIParser::GetRecordText(TVTStringList& sl, int64_t /*maxrecs: limits nothing*/) {
  TVTStringList::TRefill refill(sl);
  GetRecordText([&](const std::wstring& l) { sl.Add(l); });
}

void TVTXMIParser::GetRecordText(const TVTLineSink& sink) {
  WalkSequentialRecords([&](const uint8_t* rec, size_t len) {
    sink(FXlateS->ASCIIStringFromBuffer(rec, static_cast<int32_t>(len)));
  });
}

void TVTXMIParser::WriteRawRecords(const TVTByteSink& sink) {
  const bool variable = VariableRecords();
  WalkSequentialRecords([&](const uint8_t* rec, size_t len) {
    if (variable) {
      if (len > 0xFFFF - 4)
        throw EXMITError("Record of " + std::to_string(len) + " bytes at file offset " +
                         std::to_string(FRecordPos) + " is too long for a record descriptor");
      const size_t rl = len + 4;
      const uint8_t rdw[4] = {static_cast<uint8_t>(rl >> 8), static_cast<uint8_t>(rl & 0xFF), 0, 0};
      sink(rdw, 4);
    }
    if (len > 0) sink(rec, len);
  });
}
