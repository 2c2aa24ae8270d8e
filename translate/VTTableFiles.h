// What the single-byte and double-byte maps share for their table files: the XML tree of
// an ".ilm" / ".idm" file, hexadecimal numbers, and the lines of a code page listing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TVTXMLDocument;

namespace vttable {

// One table of a map: its entries, their count, and the largest value an entry may hold.
struct TTableSide {
  int32_t* Tab;
  int32_t Size;
  int32_t MaxValue;
};

// Hexadecimal of any length in either letter case, nothing else (no blank, no prefix);
// FFFFFFFF reads as -1. EVTConvertError "'s' is not a valid integer value" otherwise.
int32_t ParseHex(const std::wstring& s);
// Uppercase hexadecimal with at least four digits ("00C1").
std::wstring HexCode(int32_t v);
// The file name without its folder and without its last four characters.
std::wstring TableName(const std::wstring& F);

// Reads the sections below the root's first child, which must be named part: its first
// child fills a2e from "UCS_" / "ASC_" entries, its second e2a from "EBC_" entries. An
// entry whose index or value lies outside its table raises EVTInvalidTranslation.
void ReadTableTree(TVTXMLDocument& doc, const wchar_t* part, TTableSide a2e, TTableSide e2a);
// Writes root / part / the two sections with every mapped entry, to the file F.
void WriteTableFile(const std::wstring& F, const wchar_t* root, const wchar_t* part,
                    const int32_t* a2e, int32_t na, const int32_t* e2a, int32_t ne);

// Parses the XML table file F into doc (file and XML errors reach the caller).
void ParseTableFile(const std::wstring& F, TVTXMLDocument& doc);

// The lines of the code page listing F; EVTInvalidTranslation "<kind> mapping not found: F"
// when there is no such file.
std::vector<std::wstring> ReadListing(const std::wstring& F, const char* kind);
// The lines of a listing's bytes: UTF-8 or UTF-16 (either byte order) after their
// byte-order mark, otherwise the ANSI code page. Line ends are CR LF, LF or CR.
std::vector<std::wstring> DecodeTextLines(const std::string& bytes);
// A listing line without its blanks and control characters at both ends; empty for a
// line that carries no entry (empty, or a comment starting with "#" or "*").
std::wstring ListingLine(const std::wstring& line);
// The entry of a listing line: the host code from its first hostDigits characters, the PC
// character from the first four characters of the trimmed rest. False for a line without
// an entry; EVTConvertError when the two numbers do not read as hexadecimal.
bool ListingEntry(const std::wstring& line, size_t hostDigits, int32_t& host, int32_t& pc);
// F without its last four characters, followed by ext (".ilm", ".idm").
std::wstring TableFileFor(const std::wstring& F, const wchar_t* ext);

}  // namespace vttable
