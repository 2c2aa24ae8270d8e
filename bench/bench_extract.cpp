// Extraction throughput against the cost of the same output without the reader: for each
// file, the best of several runs of
//   extract    ExtractAllMembers into a new folder (text members translated, as by default);
//   raw        the same with every member as its host bytes (--raw);
//   cp -r      the system's copy of the tree each extraction wrote: the floor a tool that
//              makes those files cannot go much below (file creation dominates);
//   copy       copying those files through the system's own buffered streams;
//   write      writing those files from memory (no reading at all).
// The ratios are extraction time / cp -r time of its own output tree (lower is better).
// The scratch folder is $TMPDIR (bench/run uses /dev/shm where there is one: on a disk the
// figures swing from run to run with the page cache).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
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

// The files of a folder: names and sizes.
std::vector<std::pair<std::string, uintmax_t>> ListFiles(const fs::path& dir, uintmax_t& bytes) {
  std::vector<std::pair<std::string, uintmax_t>> out;
  bytes = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    out.emplace_back(e.path().filename().string(), e.file_size());
    bytes += e.file_size();
  }
  return out;
}

// Seconds of "cp -r from to".
double TimeCp(const fs::path& from, const fs::path& to) {
  const std::string cmd = "cp -r '" + from.string() + "' '" + to.string() + "'";
  const auto t0 = vtbench::Clock::now();
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("failed: " + cmd);
  return vtbench::Seconds(t0, vtbench::Clock::now());
}

int Run(const vtbench::TArgs& args) {
  const fs::path work = fs::temp_directory_path() / "vt_bench_extract";
  std::printf("scratch folder: %s\n", fs::temp_directory_path().string().c_str());
  std::printf("%-16s %7s %8s %6s %8s %8s %6s %8s %8s %6s %8s %8s\n", "file", "in MB", "out MB", "files",
              "extract", "cp -r", "ratio", "raw", "cp -r", "ratio", "copy", "write");
  for (const std::string& f : args.Files) {
    TVTXMIParser p;
    p.LoadXMIFile(vtplatform::FromUtf8(f));
    double bestText = 1e30, bestCpText = 1e30, bestRaw = 1e30, bestCpRaw = 1e30, bestCopy = 1e30,
           bestWrite = 1e30;
    std::vector<std::pair<std::string, uintmax_t>> outputs;
    uintmax_t outBytes = 0;
    std::vector<char> buf(1 << 20, 'x');
    TVTExtractOptions raw;
    raw.Raw = true;
    for (int r = 0; r < args.Runs; ++r) {
      fs::remove_all(work);
      fs::create_directories(work / "y");
      fs::create_directories(work / "z");
      auto t0 = vtbench::Clock::now();
      ExtractAllMembers(p, Wide(work / "x"), false);
      bestText = std::min(bestText, vtbench::Seconds(t0, vtbench::Clock::now()));
      bestCpText = std::min(bestCpText, TimeCp(work / "x", work / "xc"));
      t0 = vtbench::Clock::now();
      ExtractAllMembers(p, Wide(work / "r"), raw);
      bestRaw = std::min(bestRaw, vtbench::Seconds(t0, vtbench::Clock::now()));
      bestCpRaw = std::min(bestCpRaw, TimeCp(work / "r", work / "rc"));
      if (outputs.empty()) outputs = ListFiles(work / "x", outBytes);
      t0 = vtbench::Clock::now();
      for (const auto& o : outputs) CopyFile(work / "x" / o.first, work / "z" / o.first, buf);
      bestCopy = std::min(bestCopy, vtbench::Seconds(t0, vtbench::Clock::now()));
      t0 = vtbench::Clock::now();
      for (const auto& o : outputs) WriteBytes(work / "y" / o.first, buf, o.second);
      bestWrite = std::min(bestWrite, vtbench::Seconds(t0, vtbench::Clock::now()));
    }
    fs::remove_all(work);
    const double inMB = static_cast<double>(fs::file_size(f)) / 1e6;
    const std::string name = fs::path(f).filename().string();
    std::printf("%-16s %7.1f %8.1f %6zu %7.3fs %7.3fs %6.2f %7.3fs %7.3fs %6.2f %7.3fs %7.3fs\n", name.c_str(), inMB,
                static_cast<double>(outBytes) / 1e6, outputs.size(), bestText, bestCpText, bestText / bestCpText,
                bestRaw, bestCpRaw, bestRaw / bestCpRaw, bestCopy, bestWrite);
  }
  std::printf("(ratio: extraction time / cp -r time of its own output; best of %d runs)\n", args.Runs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return vtbench::BenchMain(argc, argv, "bench_extract", 3, Run); }
