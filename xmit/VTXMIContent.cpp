// Content type detection: byte signatures at the start of a member, else a text score of
// one sample in two codes.
#include <cstring>
#include <vector>

#include "xmit/VTXMIWalk.h"

namespace {

// Printable ASCII except the backslash and the vertical bar.
bool IsTextChar(uint8_t b) { return b >= 0x20 && b <= 0x7E && b != 0x5C && b != 0x7C; }

bool StartsWith(const uint8_t* p, size_t n, std::initializer_list<uint8_t> sig) {
  if (n < sig.size()) return false;
  size_t i = 0;
  for (uint8_t b : sig)
    if (p[i++] != b) return false;
  return true;
}

}  // namespace

TVTXMIMemberContentType TVTXMIParser::ClassifySample(const uint8_t* data, int32_t len) const {
  // An empty sample holds no text at all.
  if (len <= 0) return TVTXMIMemberContentType::ctBinary;
  int64_t a = 0, e = 0;
  for (int32_t i = 0; i < len; ++i) {
    a += IsTextChar(data[i]);
    e += IsTextChar(static_cast<uint8_t>(FXlateS->E2A(data[i]) & 0xFF));
  }
  const int64_t pa = a * 100 / len;
  const int64_t pe = e * 100 / len;
  if (pe > 90 && pa <= pe) return TVTXMIMemberContentType::ctEBCDICText;
  if (pa == 100) return TVTXMIMemberContentType::ctASCIIText;
  return TVTXMIMemberContentType::ctBinary;
}

TVTXMIMemberContentType TVTXMIParser::GetContentType(const std::wstring& m) {
  const bool sequential = m.empty() || UnloadType() == TVTUnloadType::utSeq;
  if (sequential) {
    SeekTo(FFirstSeqRecordPos);
    // A sequential data set without data records holds nothing; on an unloaded library the
    // data set's records are no sequential records (position 0 holds the header record).
    if (FFirstSeqRecordPos == 0) {
      if (UnloadType() == TVTUnloadType::utSeq) return TVTXMIMemberContentType::ctEmpty;
      throw EXMITError("Unexpected Control Record while determining content type");
    }
    return SequentialSampleType();
  }
  const TDirEntry* d = DataEntry(m);
  if (!d) return TVTXMIMemberContentType::ctUnknown;
  if (LRECL() == 0) return TVTXMIMemberContentType::ctLoadMember;
  // An entry whose data the loader never found (an alias without a main member, say)
  // has no content.
  if (d->Offset == 0) return TVTXMIMemberContentType::ctEmpty;
  SeekTo(d->Offset);
  ReadXMITRecord();
  if (FRecType == TVTXMITRecordType::rtControl)
    throw EXMITError("Unexpected Control Record while determining content type");
  const size_t recLen = static_cast<size_t>(FRecLen);
  if (recLen < 12) return TVTXMIMemberContentType::ctBinary;  // damaged: no block header
  const size_t dl = vtmf::BE16At(FRec + 10);
  if (dl == 0) return TVTXMIMemberContentType::ctEmpty;
  // The block's data, cut at the record's end when damaged.
  const uint8_t* data = FRec + 12;
  const size_t avail = std::min(dl, recLen - 12);

  if (LRECL() == 80 && avail >= 8 &&
      FXlateS->ASCIIStringFromBuffer(data + 2, 6) == L"INMR01")
    return TVTXMIMemberContentType::ctXMI;
  if (StartsWith(data, avail, {0x50, 0x4B, 0x03, 0x04})) return TVTXMIMemberContentType::ctZIP;
  if (StartsWith(data, avail, {0x25, 0x50, 0x44, 0x46})) return TVTXMIMemberContentType::ctPDF;
  if (StartsWith(data, avail, {0x50, 0x00, 0x00, 0x00, 0xA0, 0x00}))
    return TVTXMIMemberContentType::ctAWS;
  if (StartsWith(data, avail, {0x4D, 0x5A})) return TVTXMIMemberContentType::ctEXE;

  if (VariableRecords()) return MemberSampleType(*d);
  // The first LRECL bytes, cut at the block's end.
  const size_t n = std::min(static_cast<size_t>(LRECL()), avail);
  return ClassifySample(data, static_cast<int32_t>(n));
}

// A member of variable-length records is judged by its first record that holds data: real
// libraries often begin a member with an empty line. A member of empty records only is
// empty; damaged descriptors before any data make it binary.
TVTXMIMemberContentType TVTXMIParser::MemberSampleType(const TDirEntry& e) {
  TVTXMIMemberContentType type = TVTXMIMemberContentType::ctEmpty;
  bool found = false, damaged = false;
  const TWalkEnd how = WalkMemberBlocks(e, [&](const uint8_t* blk, size_t dl) {
    const vtxmi::TVarBlockEnd end = vtxmi::ForEachVariableRecord(blk, dl, [&](const uint8_t* rec, size_t len) {
      if (len == 0) return true;
      type = ClassifySample(rec, static_cast<int32_t>(len));
      found = true;
      return false;
    });
    damaged = end == vtxmi::TVarBlockEnd::vbDamaged;
    return !found && !damaged;
  });
  if (found) return type;
  return damaged || how == TWalkEnd::weDamaged ? TVTXMIMemberContentType::ctBinary
                                               : TVTXMIMemberContentType::ctEmpty;
}

// A sequential data set is judged by its first record that holds data; one of empty
// records only is empty.
TVTXMIMemberContentType TVTXMIParser::SequentialSampleType() {
  TVTXMIMemberContentType type = TVTXMIMemberContentType::ctEmpty;
  WalkSequentialRecords([&](const uint8_t* rec, size_t len) {
    if (len == 0) return true;
    type = ClassifySample(rec, static_cast<int32_t>(len));
    return false;
  });
  return type;
}
