// gen_xmit: writes large XMIT files for benchmarks.
//   gen_xmit pds OUT [members=20000] [lines=125]   PDS of FB 80 members (about 200 MB)
//   gen_xmit seq OUT [bytes=200M]                  sequential FB 80 data set of that size
// Sizes may end in K, M or G (powers of 1024). Output is streamed to the file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/XmitWriter.h"

namespace {

const char* const kTemplates[] = {
    "//STEP%04u EXEC PGM=IEBGENER,REGION=0M",
    "//SYSPRINT DD SYSOUT=*",
    "//SYSUT1   DD DSN=PROD.DAILY.INPUT(+0),DISP=SHR",
    "//SYSUT2   DD DSN=WORK.DAILY.COPY,DISP=(NEW,CATLG),UNIT=SYSDA,",
    "//            SPACE=(CYL,(10,5),RLSE),DCB=(RECFM=FB,LRECL=80)",
    "//SYSIN    DD DUMMY",
    "       MOVE WS-AMOUNT TO WS-TOTAL-OUT.",
    "       PERFORM 2000-READ-NEXT THRU 2000-EXIT",
    "           UNTIL WS-END-OF-FILE = 'Y'.",
    "/* REXX */ parse arg dsn . ; say 'processing' dsn",
    "  do i = 1 to words(list); say word(list, i); end",
    "* THIS IS A COMMENT LINE IN A GENERATED BENCHMARK MEMBER",
};
constexpr size_t kTemplateCount = sizeof(kTemplates) / sizeof(kTemplates[0]);

// The template lines as 80-byte EBCDIC records, columns 73-80 left for the sequence number.
std::vector<vttest::Bytes> EbcdicTemplates() {
  std::vector<vttest::Bytes> out;
  for (size_t i = 0; i < kTemplateCount; ++i) {
    char buf[96];
    std::snprintf(buf, sizeof buf, kTemplates[i], static_cast<unsigned>(i + 1));
    out.push_back(vttest::EbcdicPadded(buf, 72));
    out.back().resize(80, 0xF0);
  }
  return out;
}

// Writes v as 8 EBCDIC digits at p.
void PutSeq(uint8_t* p, uint64_t v) {
  for (int i = 7; i >= 0; --i) {
    p[i] = static_cast<uint8_t>(0xF0 + v % 10);
    v /= 10;
  }
}

uint64_t ParseSize(const char* s) {
  char* end = nullptr;
  double v = std::strtod(s, &end);
  std::string suffix = end ? end : "";
  if (!suffix.empty() && (suffix.back() == 'B' || suffix.back() == 'b')) suffix.pop_back();
  uint64_t mult = 1;
  if (suffix == "K" || suffix == "k") mult = uint64_t(1) << 10;
  else if (suffix == "M" || suffix == "m") mult = uint64_t(1) << 20;
  else if (suffix == "G" || suffix == "g") mult = uint64_t(1) << 30;
  else if (!suffix.empty()) throw std::runtime_error(std::string("bad size: ") + s);
  if (v <= 0) throw std::runtime_error(std::string("bad size: ") + s);
  return static_cast<uint64_t>(v * static_cast<double>(mult));
}

unsigned long ParseCount(const char* s) {
  char* end = nullptr;
  unsigned long v = std::strtoul(s, &end, 10);
  if (!end || *end || v == 0) throw std::runtime_error(std::string("bad number: ") + s);
  return v;
}

struct TFile {
  std::FILE* F;
  explicit TFile(const std::string& path) : F(std::fopen(path.c_str(), "wb")) {
    if (!F) throw std::runtime_error("cannot create " + path);
    std::setvbuf(F, nullptr, _IOFBF, 1 << 20);
  }
  ~TFile() {
    if (F) std::fclose(F);
  }
  void Close() {
    std::FILE* f = F;
    F = nullptr;
    if (std::fclose(f) != 0) throw std::runtime_error("write failed");
  }
};

uint64_t WritePDS(const std::string& path, unsigned long members, unsigned long lines) {
  if (members > 9999999) throw std::runtime_error("at most 9999999 members");
  const std::vector<vttest::Bytes> tpl = EbcdicTemplates();
  vttest::TPDSDataSet ds;
  ds.DSName = "VANTREL.BENCH.PDS";
  ds.RECFM = 0x9000;
  ds.LRECL = 80;
  ds.BLKSIZE = 27920;
  ds.Members.resize(members);
  const size_t perBlock = ds.BLKSIZE / ds.LRECL;
  for (unsigned long m = 0; m < members; ++m) {
    vttest::TPDSMember& mem = ds.Members[m];
    char name[16];
    std::snprintf(name, sizeof name, "M%07lu", m + 1);
    mem.Name = name;
    for (unsigned long l = 0; l < lines; l += perBlock) {
      const unsigned long n = std::min<unsigned long>(perBlock, lines - l);
      vttest::Bytes block(n * 80);
      for (unsigned long k = 0; k < n; ++k) {
        uint8_t* rec = block.data() + k * 80;
        const vttest::Bytes& t = tpl[(m + l + k) % tpl.size()];
        std::copy(t.begin(), t.end(), rec);
        PutSeq(rec + 72, (l + k + 1) * 100);
      }
      mem.Blocks.push_back(std::move(block));
    }
    vttest::TISPFStats st;
    st.Version = 1;
    st.Mod = static_cast<uint8_t>(m % 100);
    st.ModDay = 1 + m % 365;
    st.ModHour = m % 24;
    st.ModMinute = m % 60;
    st.ModSecond = (m * 7) % 60;
    st.Lines = st.InitLines = static_cast<uint32_t>(lines);
    st.UserId = "BENCH";
    mem.ISPF = st;
  }
  TFile f(path);
  vttest::TSegmentWriter out;
  out.SetSink(f.F);
  vttest::TXmitBuilder b;
  b.WritePDS(out, ds);
  out.Pad(b.Options.PadMultiple, b.Options.Filler);
  out.Flush();
  const uint64_t size = out.Position();
  f.Close();
  return size;
}

uint64_t WriteSeq(const std::string& path, uint64_t bytes) {
  const std::vector<vttest::Bytes> tpl = EbcdicTemplates();
  const uint64_t records = std::max<uint64_t>(1, bytes / 80);
  vttest::TSeqDataSet ds;
  ds.DSName = "VANTREL.BENCH.DATA";
  ds.RECFM = 0x9000;
  ds.LRECL = 80;
  ds.BLKSIZE = 27920;
  TFile f(path);
  vttest::TSegmentWriter out;
  out.SetSink(f.F);
  vttest::TXmitOptions opt;
  vttest::TSequentialWriter w(out, opt, ds, static_cast<uint32_t>(std::min<uint64_t>(records, 0xFFFFFFFFu)));
  uint8_t rec[80];
  for (uint64_t i = 0; i < records; ++i) {
    const vttest::Bytes& t = tpl[i % tpl.size()];
    std::copy(t.begin(), t.end(), rec);
    PutSeq(rec + 72, i + 1);
    w.AddRecord(rec, sizeof rec);
  }
  w.Finish();
  const uint64_t size = out.Position();
  f.Close();
  return size;
}

int Usage() {
  std::fprintf(stderr,
               "usage: gen_xmit pds OUT [members=20000] [lines=125]\n"
               "       gen_xmit seq OUT [bytes=200M]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string kind = argv[1], out = argv[2];
  try {
    const auto t0 = std::chrono::steady_clock::now();
    uint64_t size = 0;
    if (kind == "pds" && argc <= 5) {
      size = WritePDS(out, argc > 3 ? ParseCount(argv[3]) : 20000,
                      argc > 4 ? ParseCount(argv[4]) : 125);
    } else if (kind == "seq" && argc <= 4) {
      size = WriteSeq(out, argc > 3 ? ParseSize(argv[3]) : uint64_t(200) << 20);
    } else {
      return Usage();
    }
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%s: %llu bytes in %.2f s\n", out.c_str(), static_cast<unsigned long long>(size), s);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gen_xmit: %s\n", e.what());
    return 1;
  }
  return 0;
}
