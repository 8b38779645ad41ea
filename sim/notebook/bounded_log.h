// An append-only record of what a simulated device saw, kept to its newest entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// Keeps at least the newest kKeep entries and never more than twice that: a day-long run polls
// the hardware millions of times, while a test looks at a few hundred accesses. When the record
// is full the older half goes in one step, so adding stays cheap. Total() counts every entry
// ever added, Dropped() those no longer kept; Entries()[i] is entry number Dropped() + i.
template <class T>
class BoundedLog {
 public:
  static constexpr size_t kKeep = 4096;

  void Add(const T& entry) {
    if (entries_.size() == 2 * kKeep) {
      entries_.erase(entries_.begin(), entries_.begin() + kKeep);
      dropped_ += kKeep;
    }
    entries_.push_back(entry);
  }
  const std::vector<T>& Entries() const { return entries_; }
  // The newest entry, to amend it in place; the log must not be empty.
  T& Last() { return entries_.back(); }
  uint64_t Total() const { return dropped_ + entries_.size(); }
  uint64_t Dropped() const { return dropped_; }
  // Forgets the kept entries; the count of all entries goes on.
  void Clear() {
    dropped_ += entries_.size();
    entries_.clear();
  }

 private:
  std::vector<T> entries_;
  uint64_t dropped_ = 0;
};

}  // namespace sim
