// The segment layer: joins the segments of one logical record into FBuffer.
#include <cstring>
#include <string>

#include "xmit/VTXMIParser.h"

void TVTXMIParser::RecordError(const std::string& what) const {
  throw EXMITError(what + " (record at file offset " + std::to_string(FRecordPos) + ")");
}

void TVTXMIParser::ReadXMITRecord() {
  vtplatform::TVTFileStream& in = *FInputStream;
  FRecLen = 0;
  FRecordPos = in.Position();
  size_t len = 0;
  bool first = true;
  for (;;) {
    // Segments that lie whole in the stream's buffer are parsed in place; the rest go
    // through the ordinary reads, which refill the buffer.
    const uint8_t* p;
    size_t avail = in.Buffered(p);
    size_t used = 0;
    bool last = false;
    while (avail - used >= 2) {
      const uint8_t L = p[used];
      const uint8_t F = p[used + 1];
      if (L < 2 || avail - used < L) break;
      const size_t n = static_cast<size_t>(L) - 2;
      if (len + n > FBuffer.size()) break;  // the slow path grows the buffer
      if (first) {
        FRecType = (F & 0x20) ? TVTXMITRecordType::rtControl : TVTXMITRecordType::rtData;
        first = false;
        if (F & 0x40) {  // a record of one segment is used where it lies
          FRec = p + used + 2;
          in.Consume(used + L);
          FinishRecord(n);
          return;
        }
      }
      // A segment holds at most 253 bytes: where both sides have room, a fixed-size copy
      // (which compiles to a few vector moves) is much cheaper than one of variable size.
      if (avail - used >= 2 + 256 && FBuffer.size() - len >= 256)
        std::memcpy(FBuffer.data() + len, p + used + 2, 256);
      else
        std::memcpy(FBuffer.data() + len, p + used + 2, n);
      len += n;
      used += L;
      if (F & 0x40) {
        last = true;
        break;
      }
    }
    in.Consume(used);
    if (last) break;
    if (ReadSegment(len, first)) break;
  }
  FRec = FBuffer.data();
  FinishRecord(len);
}

void TVTXMIParser::FinishRecord(size_t len) {
  FRecLen = static_cast<int32_t>(len);
  if (FRecType == TVTXMITRecordType::rtControl) {
    // Exactly six characters; a shorter record gives a shorter name, which is never valid.
    FRecName = FXlateS->ASCIIStringFromBuffer(FRec, len >= 6 ? 6 : static_cast<int32_t>(len));
  } else if (!FRecName.empty()) {
    FRecName.clear();
  }
}

// Reads one segment through the stream's reads, growing the record buffer as needed;
// true when it was the record's last segment.
bool TVTXMIParser::ReadSegment(size_t& len, bool& first) {
  vtplatform::TVTFileStream& in = *FInputStream;
  const int64_t segPos = in.Position();
  uint8_t desc[2];
  const size_t got = in.Read(desc, 2);
  if (got != 2) {
    if (got == 0 && first) RecordError("Unexpected end of file: no INMR06 trailer record");
    RecordError("Unexpected end of file inside a record at offset " + std::to_string(segPos));
  }
  const uint8_t L = desc[0];
  const uint8_t F = desc[1];
  if (L < 2)
    RecordError("Invalid segment length " + std::to_string(L) + " at offset " +
                std::to_string(segPos));
  if (first) {
    FRecType = (F & 0x20) ? TVTXMITRecordType::rtControl : TVTXMITRecordType::rtData;
    first = false;
  }
  const size_t n = static_cast<size_t>(L) - 2;
  if (len + n > FBuffer.size()) {
    if (len + n > static_cast<size_t>(kMaxRecordLength))
      RecordError("Logical record longer than " + std::to_string(kMaxRecordLength) + " bytes");
    size_t newSize = FBuffer.size() * 2;
    while (newSize < len + n) newSize *= 2;
    if (newSize > static_cast<size_t>(kMaxRecordLength)) newSize = kMaxRecordLength;
    FBuffer.resize(newSize);
  }
  if (in.Read(FBuffer.data() + len, n) != n)
    RecordError("Unexpected end of file inside a record at offset " + std::to_string(segPos));
  len += n;
  return (F & 0x40) != 0;
}
