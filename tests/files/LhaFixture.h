// Hand-made LHA archives for the archive and interoperability tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lhatest {

using Bytes = std::vector<unsigned char>;

// CRC-16/ARC, as LHA archives carry it.
inline std::uint16_t Crc16(const Bytes& data) {
  std::uint16_t crc = 0;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

inline void PutLe(Bytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// One member with a level-0 header: method "-lh0-" (stored) or "-lh5-";
// packed is the member's data as stored, original what it unpacks to.
inline Bytes LhaMember(const std::string& name, const std::string& method, const Bytes& packed,
                       const Bytes& original) {
  Bytes h;
  h.push_back(0);  // header size, set below
  h.push_back(0);  // header checksum, set below
  h.insert(h.end(), method.begin(), method.end());
  PutLe(h, static_cast<std::uint32_t>(packed.size()), 4);
  PutLe(h, static_cast<std::uint32_t>(original.size()), 4);
  PutLe(h, (40u << 25) | (1u << 21) | (1u << 16), 4);  // 2020-01-01 00:00 (MS-DOS)
  h.push_back(0x20);  // attribute: archive
  h.push_back(0);     // header level 0
  h.push_back(static_cast<unsigned char>(name.size()));
  h.insert(h.end(), name.begin(), name.end());
  PutLe(h, Crc16(original), 2);
  h[0] = static_cast<unsigned char>(h.size() - 2);
  unsigned sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum += h[i];
  h[1] = static_cast<unsigned char>(sum);
  h.insert(h.end(), packed.begin(), packed.end());
  return h;
}

// Members one after the other and the end mark.
inline Bytes LhaArchive(const std::vector<Bytes>& members) {
  Bytes a;
  for (const Bytes& m : members) a.insert(a.end(), m.begin(), m.end());
  a.push_back(0);
  return a;
}

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace lhatest
