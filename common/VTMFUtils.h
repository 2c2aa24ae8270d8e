// Big-endian readers of host fields over a bounds-checked cursor.
// Every reader of record bytes goes through TVTByteCursor: a read either yields the
// bytes it asked for or raises EVTRecordTooShort, so no reader can leave the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace vtmf {

class EVTRecordTooShort : public std::runtime_error {
 public:
  EVTRecordTooShort() : std::runtime_error("Record too short for its contents") {}
};

class TVTByteCursor {
 public:
  TVTByteCursor(const uint8_t* data, size_t len, size_t pos = 0)
      : FData(data), FLen(len), FPos(pos > len ? len : pos) {}

  size_t Pos() const { return FPos; }
  size_t Len() const { return FLen; }
  size_t Remaining() const { return FLen - FPos; }
  bool Has(size_t n) const { return n <= FLen - FPos; }
  const uint8_t* Data() const { return FData; }
  const uint8_t* Here() const { return FData + FPos; }

  // Moves to an absolute position inside the bytes.
  void SetPos(size_t pos) {
    if (pos > FLen) throw EVTRecordTooShort();
    FPos = pos;
  }
  void Skip(size_t n) {
    Need(n);
    FPos += n;
  }
  // Pointer to the next n bytes, then advances past them.
  const uint8_t* Take(size_t n) {
    Need(n);
    const uint8_t* p = FData + FPos;
    FPos += n;
    return p;
  }
  uint8_t Peek() const {
    Need(1);
    return FData[FPos];
  }

  uint32_t ReadBE8() { return *Take(1); }
  uint32_t ReadBE16() {
    const uint8_t* p = Take(2);
    return (uint32_t(p[0]) << 8) | p[1];
  }
  uint32_t ReadBE24() {
    const uint8_t* p = Take(3);
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  }
  uint32_t ReadBE32() {
    const uint8_t* p = Take(4);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
  }
  // An unsigned value of 1 to 4 bytes; any other length is skipped and gives 0.
  uint32_t ReadBEValue(size_t length) {
    switch (length) {
      case 1: return ReadBE8();
      case 2: return ReadBE16();
      case 3: return ReadBE24();
      case 4: return ReadBE32();
      default: Skip(length); return 0;
    }
  }

 private:
  void Need(size_t n) const {
    if (n > FLen - FPos) throw EVTRecordTooShort();
  }
  const uint8_t* FData;
  size_t FLen;
  size_t FPos;
};

// Big-endian values at a fixed offset of a buffer already known to be long enough.
inline uint32_t BE16At(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
inline uint32_t BE24At(const uint8_t* p) {
  return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}
inline uint32_t BE32At(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

}  // namespace vtmf
