// unfurl: the command-line reader of XMIT files.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Output.h"
#include "cli/UnfurlMain.h"
#include "platform/VTPlatform.h"

namespace {

int Run(const std::vector<std::wstring>& args) {
  TStdOutput out(stdout);
  TStdOutput err(stderr);
  int rc = UnfurlMain(args, out, err);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    err.Line(L"unfurl: cannot write to standard output");
    if (rc == ueSuccess) rc = ueFailed;
  }
  return rc;
}

}  // namespace

#ifdef _WIN32
// Linked with -municode: the arguments arrive as UTF-16.
extern "C" int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(vtplatform::FromUtf8(argv[i]));
  return Run(args);
}
#endif
