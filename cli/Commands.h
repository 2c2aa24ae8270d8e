// The subcommands of unfurl. Each loads its file, writes its result to out and returns the
// exit code; failures are thrown (EUnfurlError or the reader's and platform's errors).
#pragma once

#include <map>
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
  // Options that take a value (--table FILE, --codepage N).
  std::map<std::wstring, std::wstring> Values;
  bool Has(const wchar_t* option) const { return Options.count(option) != 0; }
  std::wstring Value(const wchar_t* option) const {
    const auto it = Values.find(option);
    return it == Values.end() ? std::wstring() : it->second;
  }
};

int CmdInfo(const TUnfurlCommand& c, TOutput& out);
int CmdList(const TUnfurlCommand& c, TOutput& out);
int CmdShow(const TUnfurlCommand& c, TOutput& out);
int CmdRecords(const TUnfurlCommand& c, TOutput& out);
int CmdDump(const TUnfurlCommand& c, TOutput& out);
int CmdExtract(const TUnfurlCommand& c, TOutput& out);
int CmdCodePages(const TUnfurlCommand& c, TOutput& out);
