// The walks over a member's blocks and records that the member readers share.
// Included by the parser's own sources only.
#pragma once

#include "common/VTMFUtils.h"
#include "xmit/VTXMIParser.h"

// Calls onBlock(data, dl) for each block of the member, from its first record to the block
// with DL 0. A control record where data should follow, or a block reaching past its
// record (damaged data), ends the walk. Reading past the end of the file raises EXMITError.
template <typename TOnBlock>
TVTXMIParser::TWalkEnd TVTXMIParser::WalkMemberBlocks(const TDirEntry& e, TOnBlock onBlock) {
  if (e.Offset == 0) return TWalkEnd::weNoData;  // the loader never found its data
  SeekTo(e.Offset);
  for (;;) {
    ReadXMITRecord();
    if (FRecType == TVTXMITRecordType::rtControl) return TWalkEnd::weControl;
    const size_t recLen = static_cast<size_t>(FRecLen);
    size_t pos = 0;
    while (pos + 12 <= recLen) {
      const size_t dl = vtmf::BE16At(FRec + pos + 10);
      const size_t data = pos + 12;
      if (dl == 0) return TWalkEnd::weEndMarker;
      if (data + dl > recLen) return TWalkEnd::weDamaged;
      onBlock(FRec + data, dl);
      pos = data + dl;
    }
  }
}

// Calls onRecord(data, len) for each logical record of the member: the records inside each
// VB block by their descriptors, LRECL-byte runs of the blocks of every other format. A
// remainder of a fixed block that is no whole record is passed over; a damaged descriptor
// ends its block.
template <typename TOnRecord>
TVTXMIParser::TWalkEnd TVTXMIParser::WalkMemberRecords(const TDirEntry& e, TOnRecord onRecord) {
  const size_t lrecl = static_cast<size_t>(LRECL());
  const bool variable = RecordFormat() == L"VB";
  return WalkMemberBlocks(e, [&](const uint8_t* blk, size_t dl) {
    if (variable) {
      if (dl < 4) return;
      const size_t bl = vtmf::BE16At(blk);
      const size_t end = bl < 4 ? 4 : (bl > dl ? dl : bl);
      size_t p = 4;
      while (p + 4 <= end) {
        const size_t rl = vtmf::BE16At(blk + p);
        if (rl < 4 || p + rl > end) return;
        onRecord(blk + p + 4, rl - 4);
        p += rl;
      }
      return;
    }
    if (lrecl == 0) return;
    for (size_t p = 0; p + lrecl <= dl; p += lrecl) onRecord(blk + p, lrecl);
  });
}

// Calls onRecord() with each record of a sequential data set in FRec/FRecLen, from its first
// data record up to a control record or an empty record (neither is passed on).
template <typename TOnRecord>
void TVTXMIParser::WalkSequentialRecords(TOnRecord onRecord) {
  if (FFirstSeqRecordPos == 0) return;  // no sequential data records
  SeekTo(FFirstSeqRecordPos);
  for (;;) {
    ReadXMITRecord();
    // An empty data record is a record like any other (the loader counts it too); only
    // the control record after the data ends the walk.
    if (FRecType == TVTXMITRecordType::rtControl) return;
    onRecord();
  }
}
