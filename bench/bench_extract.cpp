// Extraction throughput against the cost of the same output without the reader: for each
// file, the best of several runs of
//   extract    ExtractAllMembers into a new folder;
//   copy       copying the files the extraction wrote (same number, same bytes) to a new
//              folder, read and written through the same buffered streams: the floor;
//   write      writing those files from memory (no reading at all);
//   one-file   writing all their bytes into one file (no file creation either).
// The ratios are floor time / extraction time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIExtract.h"

namespace fs = std::filesystem;

namespace {

using vtplatform::TVTFileStream;

std::wstring Wide(const fs::path& p) { return vtplatform::FromUtf8(p.string()); }

void WriteBytes(const fs::path& p, const std::vector<char>& buf, uintmax_t n) {
  TVTFileStream out(Wide(p), TVTFileStream::TMode::Create);
  while (n > 0) {
    const size_t k = static_cast<size_t>(std::min<uintmax_t>(n, buf.size()));
    out.Write(buf.data(), k);
    n -= k;
  }
  out.Flush();
}

void CopyFile(const fs::path& from, const fs::path& to, std::vector<char>& buf) {
  TVTFileStream in(Wide(from), TVTFileStream::TMode::Read);
  TVTFileStream out(Wide(to), TVTFileStream::TMode::Create);
  for (size_t n; (n = in.Read(buf.data(), buf.size())) > 0;) out.Write(buf.data(), n);
  out.Flush();
}

int Run(const vtbench::TArgs& args) {
  const fs::path work = fs::temp_directory_path() / "vt_bench_extract";
  std::printf("%-16s %7s %8s %6s %8s %8s %8s %8s %6s %6s %6s\n", "file", "in MB", "out MB", "files",
              "extract", "copy", "write", "one-file", "copy", "write", "one");
  for (const std::string& f : args.Files) {
    TVTXMIParser p;
    p.LoadXMIFile(vtplatform::FromUtf8(f));
    double bestExtract = 1e30, bestCopy = 1e30, bestWrite = 1e30, bestOne = 1e30;
    std::vector<std::pair<std::string, uintmax_t>> outputs;
    uintmax_t outBytes = 0;
    std::vector<char> buf(1 << 20, 'x');
    for (int r = 0; r < args.Runs; ++r) {
      fs::remove_all(work);
      fs::create_directories(work / "y");
      fs::create_directories(work / "z");
      auto t0 = vtbench::Clock::now();
      ExtractAllMembers(p, Wide(work / "x"), false);
      auto t1 = vtbench::Clock::now();
      if (outputs.empty()) {
        for (const auto& e : fs::directory_iterator(work / "x")) {
          outputs.emplace_back(e.path().filename().string(), e.file_size());
          outBytes += e.file_size();
        }
      }
      for (const auto& o : outputs) CopyFile(work / "x" / o.first, work / "z" / o.first, buf);
      auto t2 = vtbench::Clock::now();
      for (const auto& o : outputs) WriteBytes(work / "y" / o.first, buf, o.second);
      auto t3 = vtbench::Clock::now();
      WriteBytes(work / "one", buf, outBytes);
      auto t4 = vtbench::Clock::now();
      bestExtract = std::min(bestExtract, vtbench::Seconds(t0, t1));
      bestCopy = std::min(bestCopy, vtbench::Seconds(t1, t2));
      bestWrite = std::min(bestWrite, vtbench::Seconds(t2, t3));
      bestOne = std::min(bestOne, vtbench::Seconds(t3, t4));
    }
    fs::remove_all(work);
    const double inMB = static_cast<double>(fs::file_size(f)) / 1e6;
    const std::string name = fs::path(f).filename().string();
    std::printf("%-16s %7.1f %8.1f %6zu %7.3fs %7.3fs %7.3fs %7.3fs %5.0f%% %5.0f%% %5.0f%%\n", name.c_str(), inMB,
                static_cast<double>(outBytes) / 1e6, outputs.size(), bestExtract, bestCopy, bestWrite, bestOne,
                100.0 * bestCopy / bestExtract, 100.0 * bestWrite / bestExtract, 100.0 * bestOne / bestExtract);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return vtbench::BenchMain(argc, argv, "bench_extract", 3, Run); }
