// The walks over a member's blocks and records, and over the records of a sequential data
// set, that the readers share. Included by the parser's own sources only.
#pragma once

#include <type_traits>

#include "common/VTMFUtils.h"
#include "xmit/VTXMIParser.h"

namespace vtxmi {

// Calls f(args...); a callback that returns bool says whether the walk goes on, one that
// returns nothing always goes on.
template <typename F, typename... A>
bool GoOn(F& f, A&&... args) {
  if constexpr (std::is_void_v<std::invoke_result_t<F&, A...>>) {
    f(std::forward<A>(args)...);
    return true;
  } else {
    return static_cast<bool>(f(std::forward<A>(args)...));
  }
}

// How the records of one variable-length block ended.
enum class TVarBlockEnd { vbEnd, vbStopped, vbDamaged };

// Calls onRecord(data, len) for each record of the data of one block of variable-length
// records (a 4-byte block descriptor, then records with a 4-byte record descriptor each),
// without the descriptors. The block descriptor's length, when it is shorter than the block,
// ends the records; a block shorter than its descriptor, or a record descriptor below 4 or
// reaching past the records, is damage and ends the block.
template <typename TOnRecord>
TVarBlockEnd ForEachVariableRecord(const uint8_t* blk, size_t dl, TOnRecord&& onRecord) {
  if (dl < 4) return TVarBlockEnd::vbDamaged;
  const size_t bl = vtmf::BE16At(blk);
  const size_t end = bl < 4 ? 4 : (bl > dl ? dl : bl);
  size_t p = 4;
  while (p + 4 <= end) {
    const size_t rl = vtmf::BE16At(blk + p);
    if (rl < 4 || p + rl > end) return TVarBlockEnd::vbDamaged;
    if (!GoOn(onRecord, blk + p + 4, rl - 4)) return TVarBlockEnd::vbStopped;
    p += rl;
  }
  return p == end ? TVarBlockEnd::vbEnd : TVarBlockEnd::vbDamaged;
}

}  // namespace vtxmi

// Calls onBlock(data, dl) for each block of the member, from its first record to the block
// with DL 0. A control record where data should follow, or a block reaching past its
// record (damaged data), ends the walk; so does onBlock returning false. Reading past the
// end of the file raises EXMITError.
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
      if (!vtxmi::GoOn(onBlock, FRec + data, dl)) return TWalkEnd::weStopped;
      pos = data + dl;
    }
  }
}

// Calls onRecord(data, len) for each logical record of the member: the records inside each
// block of a variable-length format by their descriptors (descriptors left out), LRECL-byte
// runs of the blocks of every other format. A remainder of a fixed block that is no whole
// record is passed over; a damaged descriptor ends its block. onRecord returning false ends
// the walk.
template <typename TOnRecord>
TVTXMIParser::TWalkEnd TVTXMIParser::WalkMemberRecords(const TDirEntry& e, TOnRecord onRecord) {
  const size_t lrecl = static_cast<size_t>(LRECL());
  const bool variable = VariableRecords();
  return WalkMemberBlocks(e, [&](const uint8_t* blk, size_t dl) {
    if (variable) return vtxmi::ForEachVariableRecord(blk, dl, onRecord) != vtxmi::TVarBlockEnd::vbStopped;
    if (lrecl == 0) return true;
    for (size_t p = 0; p + lrecl <= dl; p += lrecl)
      if (!vtxmi::GoOn(onRecord, blk + p, lrecl)) return false;
    return true;
  });
}

// Calls onRecord(data, len) with each logical record of a sequential data set, from its first
// data record up to the control record after the data. FRecordPos is the position of the XMIT
// record that holds it. A record of a fixed-length data set that holds several records (a
// whole block sent as one) is handed over as those records. onRecord returning false ends the
// walk.
template <typename TOnRecord>
void TVTXMIParser::WalkSequentialRecords(TOnRecord onRecord) {
  if (FFirstSeqRecordPos == 0) return;  // no sequential data records
  SeekTo(FFirstSeqRecordPos);
  for (;;) {
    ReadXMITRecord();
    // An empty data record is a record like any other (the loader counts it too); only
    // the control record after the data ends the walk.
    if (FRecType == TVTXMITRecordType::rtControl) return;
    const size_t len = static_cast<size_t>(FRecLen);
    const int64_t pieces = SeqRecordsIn(len);
    if (pieces == 1) {
      if (!vtxmi::GoOn(onRecord, FRec, len)) return;
      continue;
    }
    const size_t lrecl = len / static_cast<size_t>(pieces);
    for (size_t p = 0; p < len; p += lrecl)
      if (!vtxmi::GoOn(onRecord, FRec + p, lrecl)) return;
  }
}
