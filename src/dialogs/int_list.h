#pragma once
// TIntegerList: a list of integers, used by the shutdown dialog to keep the exit
// action of each item of its drop-down list.

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace lanthe {

class TIntegerList {
 public:
  // Appends the value and returns its index.
  int Add(std::int32_t value) {
    values_.push_back(value);
    return static_cast<int>(values_.size()) - 1;
  }
  // The value at index; an index outside 0..Count-1 raises the list's index error.
  std::int32_t Get(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return values_[static_cast<std::size_t>(index)];
  }
  void Clear() { values_.clear(); }
  int Count() const { return static_cast<int>(values_.size()); }

 private:
  std::vector<std::int32_t> values_;
};

}  // namespace lanthe
