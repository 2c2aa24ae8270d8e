// The unfurl command line: parses the arguments, runs one subcommand, reports errors.
#pragma once

#include <string>
#include <vector>

#include "cli/Output.h"

// Exit codes of the tool.
enum TUnfurlExit : int { ueSuccess = 0, ueFailed = 1, ueUsage = 2 };

// Runs unfurl with args (the arguments after the program name). Results go to out, error
// messages (one line each) to err. Returns the exit code.
int UnfurlMain(const std::vector<std::wstring>& args, TOutput& out, TOutput& err);
