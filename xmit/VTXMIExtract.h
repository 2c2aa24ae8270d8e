// Extraction of a whole transmission into a folder: one file per member, or one text file
// holding the record dump of a sequential data set.
#pragma once

#include <string>

#include "xmit/VTXMIParser.h"

struct TVTExtractOptions {
  bool Subfolder = false;  // members go into a subfolder named after the data set
  bool Raw = false;        // every member (or the sequential data set's records) as host bytes (".bin")
  bool Utf8 = false;       // text files in UTF-8 rather than the ANSI code page
};

// Extracts everything parser (loaded) holds into folder and returns the completion message
// ("Extracted ..."; a second line when some members had no data), or "Unknown Extract Type".
// File and folder names are made safe for every file system; names that would collide get a
// "~2", "~3" ... suffix. No output goes through a link: a link at a member's file name is
// replaced by the member's file, and a data-set subfolder that is a link is refused (the
// folder named by the caller may be one). Errors of the parser or the file system reach the
// caller, file system errors naming the path and the system's reason.
std::wstring ExtractAllMembers(TVTXMIParser& parser, const std::wstring& folder,
                               const TVTExtractOptions& options);
inline std::wstring ExtractAllMembers(TVTXMIParser& parser, const std::wstring& folder,
                                      bool subfolder) {
  TVTExtractOptions o;
  o.Subfolder = subfolder;
  return ExtractAllMembers(parser, folder, o);
}

// A member or data set name made safe as a file or folder name: characters Windows refuses
// and control characters become "_", "." and ".." and trailing dots or blanks are replaced,
// reserved device names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension)
// get a leading "_". Ordinary names (A-Z, 0-9, @ # $) come back unchanged.
std::wstring SafeFileName(const std::wstring& name);
