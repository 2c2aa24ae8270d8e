// A list of text lines that reports fill and front ends show or save.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TVTStringList {
 public:
  void Add(const std::wstring& s) {
    FLines.push_back(s);
    Changed();
  }
  void Add(std::wstring&& s) {
    FLines.push_back(std::move(s));
    Changed();
  }
  void Clear() {
    FLines.clear();
    Changed();
  }
  size_t Count() const { return FLines.size(); }
  const std::wstring& operator[](size_t i) const { return FLines.at(i); }
  std::wstring& operator[](size_t i) { return FLines.at(i); }
  const std::vector<std::wstring>& Lines() const { return FLines; }

  // Changes between BeginUpdate and EndUpdate notify once, at the outermost EndUpdate.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FPendingChange) {
      FPendingChange = false;
      if (OnChange) OnChange();
    }
  }
  std::function<void()> OnChange;

  // Clears the list and holds its notifications until the object goes: a report refills the
  // list inside one such bracket, however it ends.
  class TRefill {
   public:
    explicit TRefill(TVTStringList& l) : FList(l) {
      FList.BeginUpdate();
      FList.Clear();
    }
    ~TRefill() { FList.EndUpdate(); }
    TRefill(const TRefill&) = delete;
    TRefill& operator=(const TRefill&) = delete;

   private:
    TVTStringList& FList;
  };

  // Each line followed by CR LF, in the ANSI code page, no byte-order mark.
  void SaveToFile(const std::wstring& fileName) const;
  // The same bytes as SaveToFile would write.
  std::string ToAnsiText() const;

 private:
  void Changed() {
    if (FUpdateCount > 0) {
      FPendingChange = true;
    } else if (OnChange) {
      OnChange();
    }
  }
  std::vector<std::wstring> FLines;
  int FUpdateCount = 0;
  bool FPendingChange = false;
};
