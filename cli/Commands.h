// The subcommands of unfurl. Each loads its file, writes its result to out and returns the
// exit code; failures are thrown (EUnfurlError or the reader's and platform's errors).
#pragma once

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Output.h"

// A failure the command itself detects (no such member, wrong kind of data set).
class EUnfurlError : public std::runtime_error {
 public:
  explicit EUnfurlError(const std::wstring& msg);
};

// A parsed command line: the subcommand, its positional arguments and the options given.
struct TUnfurlCommand {
  std::wstring Name;
  std::vector<std::wstring> Args;
  std::set<std::wstring> Options;
  bool Has(const wchar_t* option) const { return Options.count(option) != 0; }
};

int CmdInfo(const TUnfurlCommand& c, TOutput& out);
int CmdList(const TUnfurlCommand& c, TOutput& out);
int CmdShow(const TUnfurlCommand& c, TOutput& out);
int CmdRecords(const TUnfurlCommand& c, TOutput& out);
int CmdDump(const TUnfurlCommand& c, TOutput& out);
int CmdExtract(const TUnfurlCommand& c, TOutput& out);
