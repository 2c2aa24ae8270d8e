// Every prefix of a real or sample transmission either loads or fails with EXMITError.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIParser.h"

namespace {

std::vector<uint8_t> ReadAll(const std::wstring& path) {
  vtplatform::TVTFileStream in(path, vtplatform::TVTFileStream::TMode::Read);
  std::vector<uint8_t> b(static_cast<size_t>(in.Size()));
  in.Read(b.data(), b.size());
  return b;
}

void WriteAll(const std::wstring& path, const uint8_t* p, size_t n) {
  vtplatform::TVTFileStream out(path, vtplatform::TVTFileStream::TMode::Create);
  out.Write(p, n);
}

// Loads each prefix; returns how many prefixes loaded without an error.
size_t SweepPrefixes(const std::vector<uint8_t>& file, size_t denseUpTo, size_t step) {
  const std::wstring tmp = vtplatform::TempFileName(L"trn");
  size_t loaded = 0;
  for (size_t len = 0; len < file.size(); len += (len < denseUpTo ? 1 : step)) {
    WriteAll(tmp, file.data(), len);
    TVTXMIParser p;
    try {
      p.LoadXMIFile(tmp);
      ++loaded;
    } catch (const EXMITError&) {
      // the expected outcome for a cut file
    } catch (const std::exception& e) {
      ADD_FAILURE() << "prefix " << len << ": unexpected exception " << e.what();
      break;
    }
  }
  vtplatform::RemoveFile(tmp);
  return loaded;
}

struct TSweepFile {
  const char* dir;  // "samples" or "corpus"
  const char* name;
};

void PrintTo(const TSweepFile& f, std::ostream* os) { *os << f.name; }

const TSweepFile kFiles[] = {
    {"samples", "sample_pds_fb80.xmi"}, {"samples", "sample_seq_fb80.xmi"},
    {"samples", "sample_loadlib.xmi"},  {"samples", "sample_msg.xmi"},
    {"corpus", "xmi__test_pds.xmi"},    {"corpus", "CBT008__VBCLISTS.xmi"},
    {"corpus", "xmi__test_seq.xmi"},    {"corpus", "CBT953__PDSLOAD.xmi"},
    {"samples", "sample_pds_vba.xmi"},  {"samples", "sample_seq_blocked.xmi"},
};

class Truncation : public ::testing::TestWithParam<TSweepFile> {};

TEST_P(Truncation, EveryPrefixLoadsOrFailsCleanly) {
  const TSweepFile& f = GetParam();
  const std::string dir = std::string(f.dir) == "samples" ? VT_SAMPLES_DIR : VT_CORPUS_DIR;
  const std::wstring path = vtplatform::FromUtf8(dir + "/" + f.name);
  if (!vtplatform::FileExists(path)) GTEST_SKIP() << f.name << " not present";
  const std::vector<uint8_t> file = ReadAll(path);
  // Dense over the control records, sampled over the data.
  const size_t loaded = SweepPrefixes(file, 2048, 29);
  // A cut file has no trailer record, so no proper prefix loads unless the cut falls
  // into the filler after the trailer.
  TVTXMIParser whole;
  ASSERT_NO_THROW(whole.LoadXMIFile(path));
  EXPECT_LT(loaded, 80u);
}

INSTANTIATE_TEST_SUITE_P(Files, Truncation, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<TSweepFile>& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

}  // namespace
