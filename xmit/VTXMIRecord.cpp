// The segment layer: joins the segments of one logical record into FBuffer.
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
    if (F & 0x40) break;
  }
  FRecLen = static_cast<int32_t>(len);
  if (FRecType == TVTXMITRecordType::rtControl) {
    // Exactly six characters; a shorter record is padded with what the buffer holds,
    // which is never a valid name.
    FRecName = FXlateS->ASCIIStringFromBuffer(FBuffer.data(), len >= 6 ? 6 : static_cast<int32_t>(len));
  } else {
    FRecName.clear();
  }
}
