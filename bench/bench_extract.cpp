// Extraction throughput against the cost of writing the same bytes: for each file, the best
// of several runs of ExtractAllMembers into a new folder, of writing the same output files
// (same number, same sizes) from memory, and of writing all those bytes into one file.
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

void WriteBytes(const fs::path& p, const std::vector<char>& buf, uintmax_t n) {
  vtplatform::TVTFileStream out(vtplatform::FromUtf8(p.string()), vtplatform::TVTFileStream::TMode::Create);
  while (n > 0) {
    const size_t k = static_cast<size_t>(std::min<uintmax_t>(n, buf.size()));
    out.Write(buf.data(), k);
    n -= k;
  }
  out.Flush();
}

}  // namespace

int main(int argc, char** argv) {
  const vtbench::TArgs args = vtbench::ParseArgs(argc, argv, 3);
  const int runs = args.Runs;
  const std::vector<std::string>& files = args.Files;
  if (files.empty()) {
    std::fprintf(stderr, "usage: bench_extract FILE... [--runs N]\n");
    return 2;
  }
  const fs::path work = fs::temp_directory_path() / "vt_bench_extract";
  std::printf("%-24s %8s %8s %7s %10s %10s %10s %7s %7s\n", "file", "in MB", "out MB", "files",
              "extract s", "same-files", "one-file", "ratio", "ratio1");
  for (const std::string& f : files) {
    TVTXMIParser p;
    p.LoadXMIFile(vtplatform::FromUtf8(f));
    double bestExtract = 1e30, bestFiles = 1e30, bestOne = 1e30;
    std::vector<std::pair<std::string, uintmax_t>> outputs;
    uintmax_t outBytes = 0;
    for (int r = 0; r < runs; ++r) {
      fs::remove_all(work);
      fs::create_directories(work);
      auto t0 = vtbench::Clock::now();
      ExtractAllMembers(p, vtplatform::FromUtf8((work / "x").string()), false);
      auto t1 = vtbench::Clock::now();
      bestExtract = std::min(bestExtract, vtbench::Seconds(t0, t1));
      if (outputs.empty()) {
        for (const auto& e : fs::directory_iterator(work / "x")) {
          outputs.emplace_back(e.path().filename().string(), e.file_size());
          outBytes += e.file_size();
        }
      }
      // The floor: the same files written from memory.
      std::vector<char> buf(1 << 20, 'x');
      fs::create_directories(work / "y");
      auto t2 = vtbench::Clock::now();
      for (const auto& o : outputs) WriteBytes(work / "y" / o.first, buf, o.second);
      auto t3 = vtbench::Clock::now();
      WriteBytes(work / "one", buf, outBytes);
      auto t4 = vtbench::Clock::now();
      bestFiles = std::min(bestFiles, vtbench::Seconds(t2, t3));
      bestOne = std::min(bestOne, vtbench::Seconds(t3, t4));
    }
    fs::remove_all(work);
    const double inMB = static_cast<double>(fs::file_size(f)) / 1e6;
    const std::string name = fs::path(f).filename().string();
    std::printf("%-24s %8.1f %8.1f %7zu %10.3f %10.3f %10.3f %6.0f%% %6.0f%%\n", name.c_str(), inMB,
                static_cast<double>(outBytes) / 1e6, outputs.size(), bestExtract, bestFiles, bestOne,
                100.0 * bestFiles / bestExtract, 100.0 * bestOne / bestExtract);
  }
  return 0;
}
