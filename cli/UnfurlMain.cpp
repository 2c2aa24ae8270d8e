#include "cli/UnfurlMain.h"

#include <exception>
#include <stdexcept>

#include "cli/Commands.h"
#include "common/VTStrUtils.h"
#include "platform/VTPlatform.h"
#include "translate/VTCodePages.h"
#include "xmit/VTXMIParser.h"

namespace {

struct TCommandDef {
  const wchar_t* Name;
  size_t MinArgs;
  size_t MaxArgs;
  std::vector<std::wstring> Options;
  const wchar_t* Synopsis;
  // Help lines after the synopsis.
  std::vector<std::wstring> Help;
  int (*Run)(const TUnfurlCommand&, TOutput&);
};

const std::vector<TCommandDef>& Commands() {
  static const std::vector<TCommandDef> kCommands = {
      {L"info", 1, 1, {L"--json"}, L"info FILE [--json]",
       {L"Shows the data set name, organisation, record format, LRECL, unload type, member",
        L"or record count, the origin node and user, and the message the transmission carries.",
        L"  --json     the same as one JSON object"},
       CmdInfo},
      {L"list", 1, 1, {L"--json"}, L"list FILE [--json]",
       {L"Shows the member list with the members' statistics.",
        L"  --json     one JSON object per member, statistics as numbers and ISO dates"},
       CmdList},
      {L"show", 2, 2, {L"--native", L"--hex", L"--raw"},
       L"show FILE MEMBER [--native] [--hex] [--raw]",
       {L"Shows a member's records as text, translated from EBCDIC.",
        L"  --native   the records' bytes as they are, untranslated",
        L"  --hex      one hex dump of the member's data",
        L"  --raw      the member's host bytes, unchanged, to standard output"},
       CmdShow},
      {L"records", 1, 1, {L"--hex"}, L"records FILE [--hex]",
       {L"Shows the records of a sequential data set as text, translated from EBCDIC.",
        L"  --hex      a hex dump of every record"},
       CmdRecords},
      {L"dump", 1, 1, {}, L"dump FILE",
       {L"Shows a hex dump of every logical record of the file, control records included."},
       CmdDump},
      {L"extract", 1, 2, {L"--subdir", L"--raw"}, L"extract FILE [DIR] [--subdir] [--raw]",
       {L"Writes every member to a file in DIR (default: the current folder), named after the",
        L"member with an extension for its content; a sequential data set becomes one text",
        L"file with the dump of its records.",
        L"  --subdir   into a subfolder of DIR named after the data set",
        L"  --raw      every member as its host bytes (.bin); a sequential data set's records",
        L"             one after another (.bin), variable-length ones with their descriptors",
        L"  --utf8     text files in UTF-8, keeping every character the table gives"},
       CmdExtract},
      {L"codepages", 0, 0, {}, L"codepages",
       {L"Lists the EBCDIC code pages whose translation tables are built in, for --codepage."},
       CmdCodePages},
  };
  return kCommands;
}

const TCommandDef* FindCommand(const std::wstring& name) {
  for (const TCommandDef& c : Commands()) {
    if (name == c.Name) return &c;
  }
  return nullptr;
}

// The translation options, which every command that reads a file takes.
const wchar_t* const kTranslationHelp[] = {
    L"  --codepage N   translate with the built-in table of EBCDIC code page N (see 'unfurl codepages')",
    L"  --table FILE   translate with the table file FILE (.ilm)",
    L"  --utf8         text in UTF-8, keeping characters the ANSI code page lacks",
};
const wchar_t* const kValueOptions[] = {L"--table", L"--codepage"};

bool TakesFile(const TCommandDef& c) { return c.MinArgs > 0; }

bool IsHelp(const std::wstring& a) { return a == L"--help" || a == L"-h"; }
bool IsOption(const std::wstring& a) { return a.size() > 1 && a[0] == L'-'; }

void Usage(TOutput& out) {
  out.Line(L"usage: unfurl COMMAND FILE [ARGUMENTS] [OPTIONS]");
  out.Line(L"");
  out.Line(L"Reads XMIT files (TSO TRANSMIT output). Commands:");
  for (const TCommandDef& c : Commands()) out.Line(std::wstring(L"  unfurl ") + c.Synopsis);
  out.Line(L"  unfurl help [COMMAND]");
  out.Line(L"  unfurl --version");
  out.Line(L"");
  out.Line(L"Options of every command that reads a file:");
  for (const wchar_t* l : kTranslationHelp) out.Line(l);
  out.Line(L"");
  out.Line(L"Options may stand anywhere after the command; \"--\" ends them.");
  out.Line(L"Exit codes: 0 success, 1 the file could not be read or processed, 2 usage error.");
}

void CommandHelp(const TCommandDef& c, TOutput& out) {
  out.Line(std::wstring(L"usage: unfurl ") + c.Synopsis);
  out.Line(L"");
  for (const std::wstring& l : c.Help) out.Line(l);
  if (TakesFile(c))
    for (const wchar_t* l : kTranslationHelp) out.Line(l);
}

// The version the build was made with (major.minor.patch).
std::wstring VersionText() { return vtstr::AsciiToWide(VT_VERSION); }

int UsageError(TOutput& err, const std::wstring& prefix, const std::wstring& what,
               const std::wstring& helpCmd) {
  err.Line(prefix + L": " + what + L" (see 'unfurl " + helpCmd + L"')");
  return ueUsage;
}

// A message as one line: line ends inside it become blanks.
std::wstring OneLine(std::wstring s) {
  for (wchar_t& ch : s) {
    if (ch == L'\n' || ch == L'\r') ch = L' ';
  }
  while (!s.empty() && s.back() == L' ') s.pop_back();
  return s;
}

int Failure(TOutput& err, const std::wstring& file, const std::string& what) {
  std::wstring msg = VisibleText(OneLine(vtplatform::FromUtf8(what)));
  if (msg.empty()) msg = L"unknown error";
  err.Line(L"unfurl: " + VisibleText(file) + L": " + msg);
  return ueFailed;
}

}  // namespace

int UnfurlMain(const std::vector<std::wstring>& args, TOutput& out, TOutput& err) {
  if (args.empty()) {
    Usage(err);
    return ueUsage;
  }
  const std::wstring& name = args[0];
  if (name == L"--version" || name == L"version") {
    if (args.size() > 1)
      return UsageError(err, L"unfurl " + name, L"unexpected argument '" + args[1] + L"'", L"--help");
    out.Line(std::wstring(L"unfurl ") + VersionText());
    return ueSuccess;
  }
  if (IsHelp(name) || name == L"help") {
    if (args.size() == 1) {
      Usage(out);
      return ueSuccess;
    }
    const TCommandDef* c = args.size() == 2 ? FindCommand(args[1]) : nullptr;
    if (c == nullptr) {
      return UsageError(err, L"unfurl help", L"unknown command '" + args[1] + L"'", L"--help");
    }
    CommandHelp(*c, out);
    return ueSuccess;
  }
  const TCommandDef* def = FindCommand(name);
  if (def == nullptr) {
    if (IsOption(name)) {
      return UsageError(err, L"unfurl", L"unknown option '" + name + L"'", L"--help");
    }
    return UsageError(err, L"unfurl", L"unknown command '" + name + L"'", L"--help");
  }

  const std::wstring prefix = std::wstring(L"unfurl ") + def->Name;
  const std::wstring helpCmd = std::wstring(def->Name) + L" --help";
  // Help wins over every other mistake on the line.
  for (size_t i = 1; i < args.size() && args[i] != L"--"; ++i) {
    if (IsHelp(args[i])) {
      CommandHelp(*def, out);
      return ueSuccess;
    }
  }
  TUnfurlCommand cmd;
  cmd.Name = def->Name;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if (!optionsEnded && a == L"--") {
      optionsEnded = true;
    } else if (!optionsEnded && IsOption(a)) {
      // --table FILE, --table=FILE, and the same for --codepage.
      const std::wstring key = a.substr(0, a.find(L'='));
      bool valued = false;
      for (const wchar_t* o : kValueOptions) valued = valued || (TakesFile(*def) && key == o);
      if (valued) {
        std::wstring v;
        if (key.size() < a.size()) {
          v = a.substr(key.size() + 1);
        } else if (i + 1 < args.size()) {
          v = args[++i];
        }
        if (v.empty()) return UsageError(err, prefix, key + L" needs a value", helpCmd);
        cmd.Values[key] = v;
        continue;
      }
      bool known = TakesFile(*def) && a == L"--utf8";
      for (const std::wstring& o : def->Options) known = known || o == a;
      if (!known) return UsageError(err, prefix, L"unknown option '" + a + L"'", helpCmd);
      cmd.Options.insert(a);
    } else {
      cmd.Args.push_back(a);
    }
  }
  if (cmd.Args.size() < def->MinArgs) {
    static const wchar_t* kNames[] = {L"FILE", L"MEMBER"};
    return UsageError(err, prefix, std::wstring(L"missing ") + kNames[cmd.Args.size() < 1 ? 0 : 1],
                      helpCmd);
  }
  if (cmd.Args.size() > def->MaxArgs) {
    return UsageError(err, prefix, L"unexpected argument '" + cmd.Args[def->MaxArgs] + L"'",
                      helpCmd);
  }
  if (cmd.Has(L"--raw") && def->Name == std::wstring(L"show") &&
      (cmd.Has(L"--hex") || cmd.Has(L"--native"))) {
    return UsageError(err, prefix, L"--raw cannot be combined with --hex or --native", helpCmd);
  }

  if (cmd.Values.count(L"--table") && cmd.Values.count(L"--codepage")) {
    return UsageError(err, prefix, L"--table and --codepage cannot be combined", helpCmd);
  }
  if (cmd.Values.count(L"--codepage")) {
    const std::wstring& n = cmd.Values[L"--codepage"];
    const uint8_t* data;
    size_t len;
    if (!vtstr::IsNumeric(n) || n.size() > 5 || !ShippedTableData(std::stoi(n), data, len)) {
      return UsageError(err, prefix, L"no built-in table for code page '" + n + L"'",
                        L"codepages");
    }
  }

  const std::wstring file = cmd.Args.empty() ? std::wstring(L"unfurl") : cmd.Args[0];
  out.SetUtf8(cmd.Has(L"--utf8"));
  try {
    const int rc = def->Run(cmd, out);
    out.Flush();
    return rc;
  } catch (const std::exception& e) {
    // EXMITError, the platform's EVTPlatformError, EUnfurlError and any other failure.
    out.Flush();
    return Failure(err, file, e.what());
  }
}
