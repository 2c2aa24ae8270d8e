// The unload's directory records and member data records, and the member index.
#include <algorithm>

#include "common/VTStrUtils.h"
#include "xmit/VTXMIWalk.h"

using vtmf::BE16At;
using vtmf::BE24At;
using vtmf::BE32At;
using vtmf::TVTByteCursor;

namespace {
constexpr size_t kDirBlockLen = 276;
constexpr size_t kBlockHeaderLen = 12;

uint32_t AddressKey(uint32_t tt, uint32_t r) { return (tt << 8) | (r & 0xFF); }
}  // namespace

void TVTXMIParser::ProcessDirectoryRecord(TINMR03Record& r03) {
  const uint8_t* rec = FRec;
  const size_t recLen = static_cast<size_t>(FRecLen);
  const size_t blocks = recLen / kDirBlockLen;
  for (size_t bi = 0; bi < blocks; ++bi) {
    const uint8_t* blk = rec + bi * kDirBlockLen;
    const size_t used = BE16At(blk + 20);
    // Entries lie between block offset 22 and the end of the used area, which never
    // reaches past the block.
    const size_t end = std::min(kDirBlockLen, 20 + used);
    size_t pos = 22;
    while (pos < end && blk[pos] != 0xFF) {
      if (pos + 12 > end) break;  // a damaged entry that does not fit ends the block
      const uint8_t* ent = blk + pos;
      const uint8_t c = ent[11];
      const size_t udLen = 2u * (c & 0x1F);
      if (pos + 12 + udLen > end) break;
      auto e = std::make_unique<TDirEntry>();
      e->Member = vtstr::Trim(FXlateS->ASCIIStringFromBuffer(ent, 8));
      e->TT = BE16At(ent + 8);
      e->R = ent[10];
      e->Alias = (c & 0x80) != 0;
      ReadDirEntryUserData(*e, r03, ent + 12, udLen);
      r03.StoreDirEntry(std::move(e));
      pos += 12 + udLen;
    }
  }
  // The last block of the directory has a key of all FF.
  const size_t last = blocks == 0 ? 0 : (blocks - 1) * kDirBlockLen;
  if (last + 13 < recLen && rec[last + 13] == 0xFF) FPDSState = TVTXMITPDSState::psDATA;
  FMemberOpen = false;
}

void TVTXMIParser::ReadDirEntryUserData(TDirEntry& e, TINMR03Record& r03, const uint8_t* ud,
                                        size_t udLen) {
  const size_t halfwords = udLen / 2;
  // ISPF keeps its statistics in every library of fixed or variable records (source,
  // listings, panels, documentation).
  if ((halfwords == 15 || halfwords == 20) &&
      (FRecfmKind == TRecfmKind::rkFixed || FRecfmKind == TRecfmKind::rkVariable)) {
    // ISPF statistics; the 20-halfword form with flag 0x20 carries 32-bit line counts.
    const bool extended = halfwords == 20 && (ud[2] & 0x20) != 0;
    if (halfwords == 20 && !extended) return;
    auto s = std::make_unique<TISPFStats>();
    s->VV = ud[0];
    s->MM = ud[1];
    s->Flags = ud[2];
    s->ModSecs = ud[3];
    s->Created = BE32At(ud + 4);
    s->Modified = BE32At(ud + 8);
    s->ModTime = static_cast<uint16_t>(BE16At(ud + 12));
    s->Lines = BE16At(ud + 14);
    s->InitLines = BE16At(ud + 16);
    s->ModLines = BE16At(ud + 18);
    s->ModBy = vtstr::Trim(FXlateS->ASCIIStringFromBuffer(ud + 20, 8));
    if (extended) {
      s->Lines = BE32At(ud + 28);
      s->InitLines = BE32At(ud + 32);
      s->ModLines = BE32At(ud + 36);
      s->Extended = true;
    }
    e.ISPFStats = std::move(s);
    r03.FISPFStatsPresent = true;
    return;
  }
  if (FRecfmKind != TRecfmKind::rkU) return;
  // Load-module attributes. Fields the user data does not hold stay 0: an entry without
  // user data gets empty attributes rather than the bytes of the entry after it.
  auto s = std::make_unique<TLoadStats>();
  TVTByteCursor c(ud, udLen);
  try {
    s->PDS2TTRT = c.ReadBE24();
    s->PDS2ZERO = static_cast<uint8_t>(c.ReadBE8());
    s->PDS2TTRN = c.ReadBE24();
    s->PDS2NL = static_cast<uint8_t>(c.ReadBE8());
    s->PDS2ATR1 = static_cast<uint8_t>(c.ReadBE8());
    s->PDS2ATR2 = static_cast<uint8_t>(c.ReadBE8());
    s->PDS2STOR = c.ReadBE24();
    s->PDS2FTBL = c.ReadBE16();
    s->PDS2EPA = c.ReadBE24();
    s->PDS2FTB1 = static_cast<uint8_t>(c.ReadBE8());
    s->PDS2FTB2 = static_cast<uint8_t>(c.ReadBE8());
    s->PDS2FTB3 = static_cast<uint8_t>(c.ReadBE8());
    if (s->PDS2ATR1 & 0x04) c.Skip(8);  // scatter-load section
    if (e.Alias) {
      s->PDS2EPM = c.ReadBE24();
      s->PDS2MNM = vtstr::Trim(FXlateS->ASCIIStringFromBuffer(c.Take(8), 8));
    }
  } catch (const vtmf::EVTRecordTooShort&) {
    // Shorter user data: the fields it holds were read.
  }
  e.LoadStats = std::move(s);
  r03.FLoadStatsPresent = true;
}

void TVTXMIParser::ProcessMemberDataRecord(TINMR03Record& r03) {
  const uint8_t* rec = FRec;
  const size_t recLen = static_cast<size_t>(FRecLen);
  if (recLen == 0) return;
  const uint8_t f = rec[0];
  if (f & 0x80) return;
  if (f != 0) {
    if (FMemberOpen) {
      FMemberOpen = false;
      FCurrentMember = nullptr;
    }
    return;
  }
  if (!FMemberOpen) {
    if (recLen < kBlockHeaderLen) return;
    const uint32_t cyl = BE16At(rec + 4), trk = BE16At(rec + 6), r = rec[8];
    FCurrentMember = r03.Member(cyl, trk, r);
    if (FCurrentMember) {
      FCurrentMember->XMIRecNum = FRecCnt;
      FCurrentMember->XMIRecCnt = 0;
      FCurrentMember->Offset = FRecordPos;
    } else {
      ++FMemberCnt;
    }
    FMemberOpen = true;
  }
  if (FCurrentMember) ++FCurrentMember->XMIRecCnt;

  const int32_t lrecl = LRECL();
  const bool undefined = lrecl == 0 || FRecfmKind == TRecfmKind::rkU;
  const bool variable = !undefined && FRecfmKind == TRecfmKind::rkVariable;
  size_t pos = 0;
  // Each block is a 12-byte count field and DL data bytes. A block that reaches past the
  // record is damaged: the walk of this record ends there.
  while (pos + kBlockHeaderLen <= recLen) {
    const size_t dl = BE16At(rec + pos + 10);
    const size_t data = pos + kBlockHeaderLen;
    if (dl == 0) {
      FMemberOpen = false;
      FCurrentMember = nullptr;
      pos = data;
      continue;
    }
    if (data + dl > recLen) break;
    TDirEntry* m = FCurrentMember;
    if (undefined) {
      if (m) m->Size += static_cast<int64_t>(dl);
    } else if (!variable) {
      const size_t lr = static_cast<size_t>(lrecl);
      if (m) {
        m->MaxLRECL = static_cast<uint32_t>(lrecl);
        const int64_t records = static_cast<int64_t>(dl / lr);
        m->Size += records * lrecl;
        m->RecCnt += records;
      }
      // A remainder that is no whole record belongs to this block and is passed over.
    } else if (m) {
      // Variable records: the block's data whole (descriptors included) counts in Size, each
      // record by its descriptor in RecCnt and MaxLRECL. A damaged descriptor ends its block.
      vtxmi::ForEachVariableRecord(rec + data, dl, [m](const uint8_t*, size_t len) {
        ++m->RecCnt;
        if (len > m->MaxLRECL) m->MaxLRECL = static_cast<uint32_t>(len);
      });
      m->Size += static_cast<int64_t>(dl);
    }
    pos = data + dl;
  }
}

// ---- member index ----

void TINMR03Record::StoreDirEntry(std::unique_ptr<TDirEntry> o) {
  if (!o->Alias) FAddressIndex.emplace(AddressKey(o->TT, o->R), o.get());  // keeps the first
  FMemberList.push_back(std::move(o));
  FNameIndexValid = false;
}

TDirEntry* TINMR03Record::Member(uint32_t cyl, uint32_t trk, uint32_t rec) {
  const uint32_t rel = RelativeTrack(cyl, trk);
  if (rel > 0xFFFF || rec > 0xFF) return nullptr;  // directory entries hold 16-bit tracks
  auto it = FAddressIndex.find(AddressKey(rel, rec));
  return it == FAddressIndex.end() ? nullptr : it->second;
}

std::wstring TINMR03Record::MemberName(uint32_t cyl, uint32_t trk, uint32_t rec) {
  const TDirEntry* e = Member(cyl, trk, rec);
  return e ? e->Member : std::wstring();
}

TDirEntry* TINMR03Record::FindByName(const std::wstring& key) {
  if (!FNameIndexValid) {
    FNameIndex.clear();
    FNameIndex.reserve(FMemberList.size());
    for (const auto& e : FMemberList)
      FNameIndex.emplace(vtstr::UpperAscii(vtstr::Trim(e->Member)), e.get());  // keeps the first
    FNameIndexValid = true;
  }
  auto it = FNameIndex.find(key);
  return it == FNameIndex.end() ? nullptr : it->second;
}

TDirEntry* TINMR03Record::Member(const std::wstring& m) {
  std::wstring key = vtstr::UpperAscii(vtstr::Trim(m));
  // A load-library alias names its main member; follow such names at most once per entry,
  // so that a chain leading back to itself ends with none.
  for (size_t steps = 0; steps <= FMemberList.size(); ++steps) {
    TDirEntry* e = FindByName(key);
    if (e == nullptr) return nullptr;
    if (!e->Alias) return e;
    if (!e->LoadStats) {
      // An alias in a source library shares its main member's TTR: the non-alias entry at
      // that address carries the data. Without one the alias itself is the answer.
      auto it = FAddressIndex.find(AddressKey(e->TT, e->R));
      return it == FAddressIndex.end() ? e : it->second;
    }
    key = vtstr::UpperAscii(vtstr::Trim(e->LoadStats->PDS2MNM));
  }
  return nullptr;
}

void TINMR03Record::SortMembers() {
  // Ordinal, case-sensitive order by name; entries with equal names keep their order.
  std::stable_sort(FMemberList.begin(), FMemberList.end(),
                   [](const std::unique_ptr<TDirEntry>& a, const std::unique_ptr<TDirEntry>& b) {
                     return a->Member < b->Member;
                   });
  FNameIndexValid = false;
}
