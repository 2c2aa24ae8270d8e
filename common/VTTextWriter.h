// A text file written line by line: each line in the ANSI code page followed by CR LF,
// no byte-order mark. The same bytes as a string list saved with SaveToFile.
#pragma once

#include <cstdint>
#include <string>

#include "platform/VTFileStream.h"

class TVTTextWriter {
 public:
  explicit TVTTextWriter(const std::wstring& fileName)
      : FOut(fileName, vtplatform::TVTFileStream::TMode::Create) {}
  void WriteLine(const std::wstring& line) {
    // Plain ASCII (most report lines) is the same in every ANSI code page.
    FLine.resize(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
      if (static_cast<uint32_t>(line[i]) >= 0x80) {
        FLine = vtplatform::ToAnsi(line);
        break;
      }
      FLine[i] = static_cast<char>(line[i]);
    }
    WriteLineBytes(reinterpret_cast<const uint8_t*>(FLine.data()), FLine.size());
  }
  // A line given as the ANSI bytes it is saved as.
  void WriteLineBytes(const uint8_t* bytes, size_t n) {
    FOut.Write(bytes, n);
    FOut.Write("\r\n", 2);
  }
  // Writes out what is buffered and closes the file; errors surface here rather than in
  // the destructor.
  void Close() { FOut.Close(); }

 private:
  vtplatform::TVTFileStream FOut;
  std::string FLine;
};
