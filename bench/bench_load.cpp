// Load throughput against the I/O floor: for each file, the best of several runs of
// (a) a plain buffered read of the whole file and (b) a full load by the parser.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "platform/VTFileStream.h"
#include "platform/VTPlatform.h"
#include "xmit/VTXMIParser.h"

namespace {

// Reads the file front to back in 64 KiB pieces through the same buffered stream; its size.
// The last byte of each piece is summed so that no copy can be left out.
volatile uint64_t gSum = 0;

uint64_t PlainRead(const std::wstring& path) {
  vtplatform::TVTFileStream in(path, vtplatform::TVTFileStream::TMode::Read);
  std::vector<uint8_t> buf(64 * 1024);
  uint64_t total = 0, sum = 0;
  for (;;) {
    const size_t n = in.Read(buf.data(), buf.size());
    if (n == 0) break;
    total += n;
    sum += buf[n - 1];
  }
  gSum = gSum + sum;
  return total;
}

int Run(const vtbench::TArgs& args) {
  const int runs = args.Runs;
  const std::vector<std::string>& files = args.Files;
  std::printf("%-28s %10s %12s %12s %8s\n", "file", "MB", "read MB/s", "load MB/s", "ratio");
  for (const std::string& f : files) {
    const std::wstring path = vtplatform::FromUtf8(f);
    double bestRead = 1e30, bestLoad = 1e30;
    int32_t members = 0;
    int64_t records = 0;
    const double mb = static_cast<double>(PlainRead(path)) / 1e6;  // also warms the page cache
    for (int r = 0; r < runs; ++r) {
      auto t0 = vtbench::Clock::now();
      PlainRead(path);
      auto t1 = vtbench::Clock::now();
      TVTXMIParser p;
      p.LoadXMIFile(path);
      auto t2 = vtbench::Clock::now();
      members = p.INMR03List().empty() ? 0 : p.MemberCount();
      records = p.SeqRecordCount();
      bestRead = std::min(bestRead, vtbench::Seconds(t0, t1));
      bestLoad = std::min(bestLoad, vtbench::Seconds(t1, t2));
    }
    const std::string name = f.substr(f.find_last_of("/\\") == std::string::npos ? 0 : f.find_last_of("/\\") + 1);
    std::printf("%-28s %10.1f %12.1f %12.1f %7.0f%%   (%d members, %lld records)\n", name.c_str(), mb,
                mb / bestRead, mb / bestLoad, 100.0 * bestRead / bestLoad, members,
                static_cast<long long>(records));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return vtbench::BenchMain(argc, argv, "bench_load", 5, Run); }
