// make_samples <dir>: writes the project's sample XMIT files into <dir>.
// The output depends on nothing but this file, so running it again gives the same bytes.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "XmitWriter.h"

using vttest::Bytes;
using vttest::TISPFStats;
using vttest::TLoadModuleAttrs;
using vttest::TPDSAlias;
using vttest::TPDSDataSet;
using vttest::TPDSMember;
using Lines = std::vector<std::string>;

namespace {

// Lines with ISPF-style sequence numbers in columns 73-80.
Lines Numbered(const Lines& in) {
  Lines out;
  int n = 100;
  for (const std::string& l : in) {
    std::string s = l.substr(0, 72);
    s.resize(72, ' ');
    char num[16];
    std::snprintf(num, sizeof num, "%06d00", n);
    out.push_back(s + num);
    n += 100;
  }
  return out;
}

// COBOL lines with sequence numbers in columns 1-6.
Lines CobolNumbered(const Lines& in) {
  Lines out;
  int n = 100;
  for (const std::string& l : in) {
    char num[16];
    std::snprintf(num, sizeof num, "%06d", n);
    out.push_back(std::string(num) + l);
    n += 100;
  }
  return out;
}

// A library's attributes, without members yet.
TPDSDataSet DataSet(const char* dsn, uint16_t recfm, uint32_t lrecl, uint32_t blksize) {
  TPDSDataSet ds;
  ds.DSName = dsn;
  ds.RECFM = recfm;
  ds.LRECL = lrecl;
  ds.BLKSIZE = blksize;
  return ds;
}

TISPFStats Stats(uint8_t vv, uint8_t mm, unsigned cday, unsigned mday, unsigned hh, unsigned mi,
                 unsigned ss, size_t lines, uint32_t init, uint32_t mod, const char* user) {
  TISPFStats s;
  s.Version = vv;
  s.Mod = mm;
  s.CreatedYear = 2023;
  s.CreatedDay = cday;
  s.ModYear = 2024;
  s.ModDay = mday;
  s.ModHour = hh;
  s.ModMinute = mi;
  s.ModSecond = ss;
  s.Lines = static_cast<uint32_t>(lines);
  s.InitLines = init;
  s.ModLines = mod;
  s.UserId = user;
  return s;
}

TPDSMember FixedMember(const std::string& name, const Lines& lines, const TPDSDataSet& ds,
                       const TISPFStats& st) {
  TPDSMember m;
  m.Name = name;
  m.Blocks = vttest::BlockFixed(vttest::FixedRecords(lines, ds.LRECL), ds.LRECL, ds.BLKSIZE);
  m.ISPF = st;
  return m;
}

// Variable records: the lines in EBCDIC without trailing blanks (at least one byte).
TPDSMember VariableMember(const std::string& name, const Lines& lines, const TPDSDataSet& ds,
                          const TISPFStats& st) {
  std::vector<Bytes> recs;
  for (std::string l : lines) {
    while (l.size() > 1 && l.back() == ' ') l.pop_back();
    if (l.empty()) l = " ";
    recs.push_back(vttest::Ebcdic(l));
  }
  TPDSMember m;
  m.Name = name;
  m.Blocks = vttest::BlockVariable(recs, ds.BLKSIZE);
  m.ISPF = st;
  return m;
}

const Lines kAllocJcl = {
    "//USER1A   JOB (ACCT),'ALLOCATE LIB',CLASS=A,MSGCLASS=X,",
    "//             NOTIFY=&SYSUID",
    "//*",
    "//* ALLOCATE A NEW FIXED-BLOCKED SOURCE LIBRARY",
    "//*",
    "//ALLOC    EXEC PGM=IEFBR14",
    "//NEWLIB   DD DSN=USER1.SOURCE.COBOL,",
    "//            DISP=(NEW,CATLG,DELETE),",
    "//            UNIT=SYSDA,SPACE=(TRK,(30,15,20)),",
    "//            DCB=(DSORG=PO,RECFM=FB,LRECL=80,BLKSIZE=27920)",
    "//",
};

const Lines kCompileJcl = {
    "//USER1C   JOB (ACCT),'COMPILE PAYROLL',CLASS=A,MSGCLASS=X,",
    "//             NOTIFY=&SYSUID",
    "//*",
    "//* COMPILE AND LINK THE PAYROLL PROGRAM",
    "//*",
    "//COMPILE  EXEC PGM=IGYCRCTL,PARM='LIST,MAP,XREF'",
    "//STEPLIB  DD DSN=SYS1.COMPILER.LOAD,DISP=SHR",
    "//SYSIN    DD DSN=VANTREL.SAMPLE.JCL(PAYROLL),DISP=SHR",
    "//SYSLIN   DD DSN=&&OBJ,DISP=(NEW,PASS),UNIT=SYSDA,",
    "//            SPACE=(TRK,(5,5))",
    "//SYSPRINT DD SYSOUT=*",
    "//SYSUT1   DD UNIT=SYSDA,SPACE=(CYL,(1,1))",
    "//LINK     EXEC PGM=IEWL,COND=(4,LT,COMPILE),PARM='LIST,XREF'",
    "//SYSLIN   DD DSN=&&OBJ,DISP=(OLD,DELETE)",
    "//SYSLMOD  DD DSN=USER1.LOAD(PAYROLL),DISP=SHR",
    "//SYSPRINT DD SYSOUT=*",
    "//SYSUT1   DD UNIT=SYSDA,SPACE=(CYL,(1,1))",
    "//",
};

const Lines kHelloRexx = {
    "/* REXX - GREET THE CALLER AND SHOW THE DATE */",
    "parse upper arg name .",
    "if name = '' then name = userid()",
    "say 'Hello,' name || '!'",
    "say 'Today is' date('W') || ',' date('N')",
    "do i = 1 to 3",
    "  say '  line' i 'of 3'",
    "end",
    "exit 0",
};

const Lines kPayrollCobol = {
    " IDENTIFICATION DIVISION.",
    " PROGRAM-ID. PAYROLL.",
    " AUTHOR. USER1.",
    "*  COMPUTES GROSS PAY FOR A SMALL TABLE OF EMPLOYEES.",
    " DATA DIVISION.",
    " WORKING-STORAGE SECTION.",
    " 01  WS-EMPLOYEE.",
    "     05  WS-NAME         PIC X(20).",
    "     05  WS-HOURS        PIC 9(3)V9  VALUE ZERO.",
    "     05  WS-RATE         PIC 9(3)V99 VALUE ZERO.",
    " 01  WS-GROSS            PIC 9(6)V99 VALUE ZERO.",
    " 01  WS-GROSS-OUT        PIC ZZZ,ZZ9.99.",
    " PROCEDURE DIVISION.",
    " MAIN-PARA.",
    "     MOVE 'A. SAMPLE'   TO WS-NAME",
    "     MOVE 37.5          TO WS-HOURS",
    "     MOVE 21.40         TO WS-RATE",
    "     COMPUTE WS-GROSS = WS-HOURS * WS-RATE",
    "     MOVE WS-GROSS      TO WS-GROSS-OUT",
    "     DISPLAY WS-NAME ' GROSS PAY ' WS-GROSS-OUT",
    "     STOP RUN.",
};

const Lines kReadme = {
    "THIS LIBRARY HOLDS A FEW SAMPLE MEMBERS:",
    "  ALLOC    - JCL TO ALLOCATE A SOURCE LIBRARY",
    "  COMPILE  - JCL TO COMPILE AND LINK PAYROLL (ALIAS RUNPAY)",
    "  HELLO    - A SHORT REXX EXEC",
    "  PAYROLL  - A SMALL COBOL PROGRAM",
};

TPDSDataSet SourcePDS() {
  TPDSDataSet ds = DataSet("VANTREL.SAMPLE.JCL", 0x9000, 80, 27920);
  ds.Members.push_back(FixedMember("ALLOC", Numbered(kAllocJcl), ds,
                                   Stats(1, 2, 40, 12, 9, 15, 42, kAllocJcl.size(), 9, 2, "USER1")));
  ds.Members.push_back(FixedMember("COMPILE", Numbered(kCompileJcl), ds,
                                   Stats(1, 5, 41, 20, 14, 2, 7, kCompileJcl.size(), 15, 4, "USER1")));
  ds.Members.push_back(FixedMember("HELLO", kHelloRexx, ds,
                                   Stats(1, 0, 100, 100, 8, 59, 59, kHelloRexx.size(),
                                         static_cast<uint32_t>(kHelloRexx.size()), 0, "USER2")));
  ds.Members.push_back(FixedMember("PAYROLL", CobolNumbered(kPayrollCobol), ds,
                                   Stats(2, 11, 200, 31, 16, 45, 3, kPayrollCobol.size(), 12, 11,
                                         "DEVUSR")));
  ds.Members.push_back(FixedMember("README", kReadme, ds,
                                   Stats(1, 1, 300, 60, 12, 0, 0, kReadme.size(), 3, 2, "USER1")));
  TPDSAlias al;
  al.Name = "RUNPAY";
  al.Main = "COMPILE";
  al.ISPF = ds.Members[1].ISPF;
  ds.Aliases.push_back(al);
  return ds;
}

const Lines kDataLines = {
    "* SAMPLE CONTROL FILE FOR THE NIGHTLY BATCH RUN",
    "RUNDATE   2024-01-15",
    "REGION    EUROPE",
    "STEP      EXTRACT    INPUT=PROD.SALES.DAILY    OUTPUT=WORK.SALES.EXTRACT",
    "STEP      SORT       KEYS=(1,10,CH,A)          OUTPUT=WORK.SALES.SORTED",
    "STEP      REPORT     TITLE='DAILY SALES'       OUTPUT=PROD.SALES.REPORT",
    "LIMIT     RECORDS=500000",
    "NOTIFY    USER1",
    "* END OF CONTROL FILE",
};

Lines SeqLines() {
  Lines out = kDataLines;
  for (int i = 1; i <= 24; ++i) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "ITEM %04d  QTY %5d  PRICE %7d.%02d  STORE %03d", i,
                  (i * 37) % 1000, (i * 1234) % 99999, (i * 7) % 100, i % 17 + 1);
    out.push_back(buf);
  }
  return out;
}

// Load-module records, written by hand: a composite ESD record, an identification record, a
// control record and the text of a tiny program (save registers, put out a message, return 0).
std::vector<Bytes> LoadModuleBlocks(const std::string& csect, const std::string& message) {
  Bytes esd = {0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20};
  vttest::Append(esd, vttest::EbcdicPadded(csect, 8));
  const Bytes esdTail = {0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x60,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  vttest::Append(esd, esdTail);

  Bytes idr = {0x80, 0x1E, 0x00, 0x00};
  vttest::Append(idr, vttest::Ebcdic("VANTREL LINKER 01 2024015"));

  Bytes text = {0x90, 0xEC, 0xD0, 0x0C,   // STM  14,12,12(13)
                0x18, 0xCF,               // LR   12,15
                0x41, 0x10, 0xC0, 0x20,   // LA   1,MSG
                0x0A, 0x23,               // SVC  35 (put out the message)
                0x98, 0xEC, 0xD0, 0x0C,   // LM   14,12,12(13)
                0x1B, 0xFF,               // SR   15,15
                0x07, 0xFE};              // BR   14
  text.resize(0x20, 0x00);
  vttest::PutBE(text, message.size() + 4, 2);
  text.push_back(0);
  text.push_back(0);
  vttest::Append(text, vttest::Ebcdic(message));
  if (text.size() % 8) text.resize(text.size() + 8 - text.size() % 8, 0x00);

  Bytes ctl = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04};
  vttest::PutBE(ctl, text.size(), 2);
  ctl.push_back(0);
  ctl.push_back(0);
  return {esd, idr, ctl, text};
}

TPDSMember LoadMember(const std::string& name, const std::string& msg, uint8_t atr1,
                      uint32_t ssi) {
  TPDSMember m;
  m.Name = name;
  m.Blocks = LoadModuleBlocks(name, msg);
  TLoadModuleAttrs a;
  a.ATR1 = atr1;
  a.ATR2 = 0x20;
  a.Stor = static_cast<uint32_t>(m.Blocks.back().size());
  a.FTBL = static_cast<uint16_t>(m.Blocks.back().size());
  a.EPA = 0;
  a.FTB1 = 0x88;
  a.FTB2 = 0x00;
  a.FTB3 = 0x01;
  if (atr1 & 0x04) a.Scatter = {0x00, 0x40, 0x00, 0x08, 0x00, 0x01, 0x00, 0x01};
  // Alignment byte, system status index, authorization code.
  a.Extra = {0x00};
  vttest::PutBE(a.Extra, ssi, 4);
  a.Extra.push_back(0x01);
  a.Extra.push_back(0x00);
  m.Load = a;
  return m;
}

TPDSDataSet LoadLibrary() {
  TPDSDataSet ds = DataSet("VANTREL.SAMPLE.LOAD", 0xC000, 0, 6144);
  ds.Members.push_back(LoadMember("HELLO", "HELLO FROM THE SAMPLE LOAD LIBRARY", 0x82, 0x24015001));
  ds.Members.push_back(LoadMember("LISTER", "LISTER: NOTHING TO LIST", 0x02, 0x24015002));
  ds.Members.push_back(LoadMember("SCATTER", "SCATTER-LOADED SAMPLE", 0x06, 0x24015003));
  TPDSAlias al;
  al.Name = "HI";
  al.Main = "HELLO";
  TLoadModuleAttrs a = *ds.Members[0].Load;
  a.MainName = "HELLO";
  a.EPM = 0;
  a.Extra.erase(a.Extra.begin());  // after the alias fields the SSI is already on a halfword
  al.Load = a;
  ds.Aliases.push_back(al);
  return ds;
}

const Lines kClistLines = {
    "PROC 1 DSN",
    "/* LIST THE MEMBERS OF A LIBRARY AND COUNT THEM */",
    "CONTROL NOMSG NOFLUSH",
    "SET &COUNT = 0",
    "LISTDS '&DSN' MEMBERS",
    "IF &LASTCC NE 0 THEN DO",
    "  WRITE CANNOT LIST &DSN",
    "  EXIT CODE(8)",
    "END",
    "WRITE DONE",
    "EXIT CODE(0)",
};

const Lines kLongRexx = {
    "/* REXX - SHOW A LONG LINE, AS VARIABLE-LENGTH RECORDS ALLOW */",
    "msg = 'This line is longer than eighty characters, which a fixed 80 library could not "
    "hold without cutting it, so it shows why variable records exist.'",
    "say msg",
    "say length(msg) 'characters'",
    "exit 0",
};

TPDSDataSet VariablePDS() {
  TPDSDataSet ds = DataSet("VANTREL.SAMPLE.CLIST", 0x5000, 255, 27998);
  ds.Members.push_back(VariableMember("COUNTMEM", kClistLines, ds,
                                      Stats(1, 3, 10, 14, 11, 11, 11, kClistLines.size(), 8, 3,
                                            "USER1")));
  ds.Members.push_back(VariableMember("HELLO", kHelloRexx, ds,
                                      Stats(1, 0, 100, 100, 8, 59, 59, kHelloRexx.size(),
                                            static_cast<uint32_t>(kHelloRexx.size()), 0,
                                            "USER2")));
  ds.Members.push_back(VariableMember("LONGLINE", kLongRexx, ds,
                                      Stats(1, 1, 5, 6, 7, 8, 9, kLongRexx.size(), 4, 1,
                                            "USER1")));
  return ds;
}

// A documentation library of variable records with ASA print control characters (VBA):
// each line starts with its control character, and a member may begin with an empty record.
const Lines kGuideLines = {
    "1VANTREL SAMPLE PROGRAMS - USER GUIDE",
    " ",
    "0CHAPTER 1.  INTRODUCTION",
    " ",
    " THE SAMPLE PROGRAMS SHOW HOW A BATCH JOB READS ITS CONTROL FILE, SORTS THE DAILY",
    " SALES AND PRINTS A REPORT.  EACH PROGRAM IS DESCRIBED IN ITS OWN CHAPTER.",
    "0CHAPTER 2.  RUNNING THE JOBS",
    " ",
    " SUBMIT MEMBER RUNPAY OF VANTREL.SAMPLE.JCL.  THE JOB ENDS WITH RETURN CODE 0 WHEN",
    " EVERY STEP RAN; A RETURN CODE OF 8 MEANS THE INPUT FILE WAS EMPTY.",
};

const Lines kNewsLines = {
    " RELEASE NOTES",
    " ",
    " 1.2   THE REPORT STEP PRINTS A TOTAL LINE PER REGION.",
    " 1.1   THE SORT STEP TAKES ITS KEYS FROM THE CONTROL FILE.",
    " 1.0   FIRST RELEASE.",
};

TPDSMember PrintMember(const std::string& name, const Lines& lines, bool emptyFirst,
                       const TPDSDataSet& ds, const TISPFStats& st) {
  std::vector<Bytes> recs;
  if (emptyFirst) recs.push_back(Bytes());  // a record of its descriptor alone
  for (const std::string& l : lines) recs.push_back(vttest::Ebcdic(l));
  TPDSMember m;
  m.Name = name;
  m.Blocks = vttest::BlockVariable(recs, ds.BLKSIZE);
  m.ISPF = st;
  return m;
}

TPDSDataSet PrintPDS() {
  TPDSDataSet ds = DataSet("VANTREL.SAMPLE.DOC", 0x5400, 137, 27998);
  ds.Members.push_back(PrintMember("GUIDE", kGuideLines, false, ds,
                                   Stats(1, 4, 20, 30, 10, 5, 0, kGuideLines.size(), 6, 4,
                                         "USER1")));
  ds.Members.push_back(PrintMember("NEWS", kNewsLines, true, ds,
                                   Stats(1, 2, 21, 31, 11, 6, 1, kNewsLines.size() + 1, 3, 3,
                                         "USER2")));
  return ds;
}

TPDSDataSet PDSE() {
  TPDSDataSet ds = DataSet("VANTREL.SAMPLE.PDSE.JCL", 0x9000, 80, 32720);
  ds.PDSE = true;
  ds.Device = vttest::TDeviceGeometry::PDSEDevice();
  ds.AutoStartCyl = 0;
  ds.Members.push_back(FixedMember("ALLOC", Numbered(kAllocJcl), ds,
                                   Stats(1, 2, 40, 12, 9, 15, 42, kAllocJcl.size(), 9, 2, "USER1")));
  TISPFStats ext = Stats(1, 4, 41, 21, 10, 5, 30, kCompileJcl.size(), 15, 6, "USER3");
  ext.Extended = true;
  ds.Members.push_back(FixedMember("COMPILE", Numbered(kCompileJcl), ds, ext));
  ds.Members.push_back(FixedMember("HELLO", kHelloRexx, ds,
                                   Stats(1, 0, 100, 100, 8, 59, 59, kHelloRexx.size(),
                                         static_cast<uint32_t>(kHelloRexx.size()), 0, "USER2")));
  return ds;
}

const Lines kMessage = {
    "Hello USER2,",
    "",
    "here is the JCL library we talked about. Receive it with",
    "   RECEIVE INDATASET('USER2.SAMPLE.XMI')",
    "and answer the prompt with DSNAME('USER2.SAMPLE.JCL').",
    "",
    "Regards, USER1",
};

TPDSDataSet MessagePDS() {
  TPDSDataSet ds = DataSet("VANTREL.SAMPLE.JCL", 0x9000, 80, 27920);
  ds.Members.push_back(FixedMember("ALLOC", Numbered(kAllocJcl), ds,
                                   Stats(1, 2, 40, 12, 9, 15, 42, kAllocJcl.size(), 9, 2, "USER1")));
  ds.Members.push_back(FixedMember("COMPILE", Numbered(kCompileJcl), ds,
                                   Stats(1, 5, 41, 20, 14, 2, 7, kCompileJcl.size(), 15, 4, "USER1")));
  return ds;
}

// German text in EBCDIC code page 273: the letters, digits and punctuation used here are
// those of 037; the umlauts and the sharp s have their own bytes.
Bytes German273(const std::string& utf8) {
  static const struct {
    const char* ch;
    uint8_t host;
  } kNational[] = {{"\xC3\x84", 0x4A}, {"\xC3\x96", 0xE0}, {"\xC3\x9C", 0x5A}, {"\xC3\xA4", 0xC0},
                   {"\xC3\xB6", 0x6A}, {"\xC3\xBC", 0xD0}, {"\xC3\x9F", 0xA1}};
  Bytes out;
  for (size_t i = 0; i < utf8.size();) {
    bool national = false;
    for (const auto& n : kNational) {
      if (utf8.compare(i, 2, n.ch) == 0) {
        out.push_back(n.host);
        i += 2;
        national = true;
        break;
      }
    }
    if (!national) out.push_back(vttest::ToEbcdic(utf8[i++]));
  }
  out.resize(80, 0x40);
  return out;
}

TPDSMember GermanMember(const std::string& name, const Lines& lines, const TPDSDataSet& ds,
                        const TISPFStats& st) {
  std::vector<Bytes> recs;
  for (const std::string& l : lines) recs.push_back(German273(l));
  TPDSMember m;
  m.Name = name;
  m.Blocks = vttest::BlockFixed(recs, ds.LRECL, ds.BLKSIZE);
  m.ISPF = st;
  return m;
}

const Lines kBrief = {
    "Sehr geehrte Kolleginnen und Kollegen,",
    "",
    "die \xC3\xBC" "berarbeiteten Jobs f\xC3\xBC" "r die Monatsabrechnung liegen jetzt in",
    "dieser Bibliothek. Bitte pr\xC3\xBC" "fen Sie die \xC3\x84" "nderungen bis Freitag.",
    "",
    "Gr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBC" "nchen",
};

const Lines kLiesMich = {
    "LIESMICH - Inhalt der Bibliothek",
    "",
    "BRIEF     Anschreiben zur \xC3\x9C" "bergabe",
    "Hinweis:  Umlaute \xC3\x84 \xC3\x96 \xC3\x9C \xC3\xA4 \xC3\xB6 \xC3\xBC und \xC3\x9F (Code Page 273)",
};

TPDSDataSet GermanPDS() {
  TPDSDataSet ds = DataSet("VANTREL.SAMPLE.TEXTDE", 0x9000, 80, 27920);
  ds.Members.push_back(GermanMember("BRIEF", kBrief, ds,
                                    Stats(1, 3, 150, 88, 10, 30, 0, kBrief.size(), 5, 2, "USER3")));
  ds.Members.push_back(GermanMember("LIESMICH", kLiesMich, ds,
                                    Stats(1, 1, 151, 88, 10, 45, 0, kLiesMich.size(), 4, 0, "USER3")));
  return ds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples <output folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  try {
    vttest::TXmitBuilder b;
    vttest::WriteFile(dir + "sample_pds_fb80.xmi", b.PDS(SourcePDS()));

    vttest::TSeqDataSet seq;
    seq.DSName = "VANTREL.SAMPLE.DATA";
    seq.Records = vttest::FixedRecords(SeqLines(), 80);
    vttest::WriteFile(dir + "sample_seq_fb80.xmi", b.Sequential(seq));

    vttest::WriteFile(dir + "sample_loadlib.xmi", b.PDS(LoadLibrary()));
    vttest::WriteFile(dir + "sample_pds_vb.xmi", b.PDS(VariablePDS()));
    vttest::WriteFile(dir + "sample_pdse.xmi", b.PDS(PDSE()));
    vttest::WriteFile(dir + "sample_msg.xmi", b.MessageAndPDS(kMessage, MessagePDS()));
    vttest::WriteFile(dir + "sample_pds_de273.xmi", b.PDS(GermanPDS()));
    vttest::WriteFile(dir + "sample_pds_vba.xmi", b.PDS(PrintPDS()));

    // A sequential data set sent as whole blocks: each data record holds ten 80-byte records.
    vttest::TSeqDataSet blocked;
    blocked.DSName = "VANTREL.SAMPLE.BLOCKED";
    blocked.BLKSIZE = 800;
    for (const Bytes& blk : vttest::BlockFixed(vttest::FixedRecords(SeqLines(), 80), 80, 800))
      blocked.Records.push_back(blk);
    vttest::WriteFile(dir + "sample_seq_blocked.xmi", b.Sequential(blocked));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_samples: %s\n", e.what());
    return 1;
  }
  return 0;
}
