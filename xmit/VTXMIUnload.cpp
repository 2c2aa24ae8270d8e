// Data records: sequential data and the IEBCOPY unload's COPYR1 and COPYR2 records.
#include "xmit/VTXMIParser.h"

using vtmf::BE16At;

void TVTXMIParser::ProcessDataRecord(TINMR02Record* first02, TINMR03Record* cur03) {
  if (first02 == nullptr || cur03 == nullptr) throw EXMITError("Bad Control Record Structure");
  if (first02 != FRecfmOf) CacheRecordFormat(first02);
  if (FSequential) {
    cur03->FUnloadType = TVTUnloadType::utSeq;
    if (FSeqRecCnt == 0) FFirstSeqRecordPos = FRecordPos;
    FSeqRecCnt += SeqRecordsIn(static_cast<size_t>(FRecLen));
    return;
  }
  switch (FPDSState) {
    case TVTXMITPDSState::psCOPYR1:
      ProcessCOPYR1(*cur03);
      FPDSState = TVTXMITPDSState::psCOPYR2;
      break;
    case TVTXMITPDSState::psCOPYR2:
      ProcessCOPYR2(*cur03);
      FPDSState = TVTXMITPDSState::psDIR;
      break;
    case TVTXMITPDSState::psDIR:
      ProcessDirectoryRecord(*cur03);
      break;
    case TVTXMITPDSState::psDATA:
      ProcessMemberDataRecord(*cur03);
      break;
    case TVTXMITPDSState::psDEB:
      break;
  }
}

void TVTXMIParser::CacheRecordFormat(const TINMR02Record* first02) {
  FRecfmOf = first02;
  FSequential = first02->FUTIL == L"INMCOPY";
  const std::wstring f = first02->RecordFormat();
  FRecfmKind = f == L"U"                       ? TRecfmKind::rkU
               : !f.empty() && f[0] == L'F' ? TRecfmKind::rkFixed
               : !f.empty() && f[0] == L'V' ? TRecfmKind::rkVariable
                                              : TRecfmKind::rkOther;
  FSeqSplitLRECL = FSequential && (f == L"F" || f == L"FB") ? first02->FLRECL : 0;
}

// Decided with the data records' format when the first of them was read: a data set
// without data records has no records to walk.
bool TVTXMIParser::VariableRecords() const { return FRecfmKind == TRecfmKind::rkVariable; }

int64_t TVTXMIParser::SeqRecordsIn(size_t len) const {
  const size_t lrecl = FSeqSplitLRECL;
  if (lrecl == 0 || len <= lrecl || len % lrecl != 0) return 1;
  return static_cast<int64_t>(len / lrecl);
}

void TVTXMIParser::ProcessCOPYR1(TINMR03Record& r03) {
  const uint8_t* b = FRec;
  if (FRecLen < 28 || b[1] != 0xCA || b[2] != 0x6D || b[3] != 0x0F)
    throw EXMITError("Invalid format for COPYR1 PDS Header");
  r03.FUnloadType = (b[0] & 0x01) ? TVTUnloadType::utPDSE : TVTUnloadType::utPDS;
  r03.FDevTab.MaxBlkSize = BE16At(b + 22);
  r03.FDevTab.NumCyls = BE16At(b + 24);
  r03.FDevTab.TrksPerCyl = BE16At(b + 26);
}

void TVTXMIParser::ProcessCOPYR2(TINMR03Record& r03) {
  if (FRecLen < 1) return;
  const uint8_t* b = FRec;
  const uint32_t n = b[0];
  const uint32_t tpc = r03.FDevTab.TrksPerCyl;
  uint64_t total = 0;
  // Only the descriptors the record actually holds are read.
  for (uint32_t k = 0; k < n && 16 + 16 * (k + 1) <= static_cast<uint32_t>(FRecLen); ++k) {
    const uint8_t* d = b + 16 + 16 * k;
    auto x = std::make_unique<TCOPYR2Extent>();
    x->StartCyl = BE16At(d + 6);
    x->StartTrk = BE16At(d + 8);
    x->EndCyl = BE16At(d + 10);
    x->EndTrk = BE16At(d + 12);
    x->S = tpc * x->StartCyl + x->StartTrk;
    x->E = tpc * x->EndCyl + x->EndTrk;
    x->RelStrt = static_cast<uint32_t>(total);
    x->RelEnd = static_cast<uint32_t>(total + (static_cast<uint64_t>(x->E) - x->S));
    total = static_cast<uint64_t>(x->RelEnd) + 1;
    r03.StoreExtent(std::move(x));
  }
}

void TINMR03Record::StoreExtent(std::unique_ptr<TCOPYR2Extent> o) {
  FExtentList.push_back(std::move(o));
}

uint32_t TINMR03Record::RelativeTrack(uint32_t cyl, uint32_t trk) const {
  const uint32_t abs = cyl * FDevTab.TrksPerCyl + trk;
  for (const auto& x : FExtentList)
    if (x->S <= abs && abs <= x->E) return abs - x->S + x->RelStrt;
  return 0xFFFFFF;
}
