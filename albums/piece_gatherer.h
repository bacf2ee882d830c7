// Gathers the pieces of a file being written into writes of up to 64 KiB: a
// picture arrives in pieces of 16 KiB, which would otherwise cost one system
// call each.
//
// Threading: one thread uses an object at a time.
#pragma once

#include <cstddef>
#include <string>

namespace weibo {

class PieceGatherer {
 public:
  static constexpr std::size_t kGatherBytes = 64 * 1024;

  // Takes `size` bytes. `write(data, size)` (returning false on failure) gets
  // the gathered bytes before they would pass kGatherBytes, and a piece of
  // kGatherBytes or more directly. False when a write failed.
  template <typename Write>
  bool Add(const char* data, std::size_t size, Write write) {
    if (gathered_.size() + size > kGatherBytes && !Drain(write)) return false;
    if (size >= kGatherBytes) return write(data, size);
    if (gathered_.capacity() < kGatherBytes) gathered_.reserve(kGatherBytes);
    gathered_.append(data, size);
    return true;
  }

  // Hands the gathered bytes, if any, to `write`. False when it failed.
  template <typename Write>
  bool Drain(Write write) {
    const bool written = gathered_.empty() || write(gathered_.data(), gathered_.size());
    gathered_.clear();
    return written;
  }

 private:
  std::string gathered_;  // taken, not yet written
};

}  // namespace weibo
