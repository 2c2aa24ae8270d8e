// Small helpers shared by the benchmarks.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace vtbench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// The files named on the command line and the number of runs (--runs N).
struct TArgs {
  std::vector<std::string> Files;
  int Runs;
  bool Ok;  // false: an unknown option or no file; the caller prints its usage
};

inline TArgs ParseArgs(int argc, char** argv, int defaultRuns) {
  TArgs a{{}, defaultRuns, true};
  for (int i = 1; i < argc; ++i) {
    const std::string s = argv[i];
    if (s == "--runs" && i + 1 < argc) {
      a.Runs = std::atoi(argv[++i]);
      if (a.Runs < 1) a.Runs = 1;
    } else if (s.size() > 1 && s[0] == '-') {
      a.Ok = false;
    } else {
      a.Files.push_back(s);
    }
  }
  a.Ok = a.Ok && !a.Files.empty();
  return a;
}

// The main of a benchmark: the arguments, then run; a usage error exits 2, a failure
// (a file that cannot be read) prints one line and exits 1.
inline int BenchMain(int argc, char** argv, const char* name, int defaultRuns, int (*run)(const TArgs&)) {
  const TArgs args = ParseArgs(argc, argv, defaultRuns);
  if (!args.Ok) {
    std::fprintf(stderr, "usage: %s FILE... [--runs N]\n", name);
    return 2;
  }
  try {
    return run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return 1;
  }
}

}  // namespace vtbench
