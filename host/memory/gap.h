// A gap buffer: a sequence whose edits cost the distance from the previous
// edit, so a run of edits walking through a long module stays cheap.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

namespace qlx::memory {

template <typename T>
class GapBuffer {
 public:
  GapBuffer() = default;
  // The room items has beyond its size is the first gap.
  explicit GapBuffer(std::vector<T> items) : buf_(std::move(items)), gap_begin_(buf_.size()) {
    buf_.resize(buf_.capacity());
    gap_end_ = buf_.size();
  }

  std::size_t size() const { return buf_.size() - (gap_end_ - gap_begin_); }

  T& operator[](std::size_t i) {
    assert(i < size());
    return buf_[i < gap_begin_ ? i : i + (gap_end_ - gap_begin_)];
  }
  const T& operator[](std::size_t i) const {
    assert(i < size());
    return buf_[i < gap_begin_ ? i : i + (gap_end_ - gap_begin_)];
  }

  // Replaces the `removed` items from `at` on by `added`.
  void Splice(std::size_t at, std::size_t removed, std::vector<T> added) {
    assert(at + removed <= size());
    MoveGapTo(at);
    for (std::size_t k = 0; k < removed; ++k) buf_[gap_end_ + k] = T();
    gap_end_ += removed;
    MakeRoom(added.size());
    for (auto& item : added) buf_[gap_begin_++] = std::move(item);
  }

 private:
  void MoveGapTo(std::size_t at) {
    if (gap_begin_ == gap_end_) {  // an empty gap moves for free (and must not self-move items)
      gap_begin_ = gap_end_ = at;
      return;
    }
    auto base = buf_.begin();
    if (at < gap_begin_) {
      std::size_t moved = gap_begin_ - at;
      std::move_backward(base + static_cast<std::ptrdiff_t>(at), base + static_cast<std::ptrdiff_t>(gap_begin_),
                         base + static_cast<std::ptrdiff_t>(gap_end_));
      gap_begin_ = at;
      gap_end_ -= moved;
    } else if (at > gap_begin_) {
      std::size_t moved = at - gap_begin_;
      std::move(base + static_cast<std::ptrdiff_t>(gap_end_), base + static_cast<std::ptrdiff_t>(gap_end_ + moved),
                base + static_cast<std::ptrdiff_t>(gap_begin_));
      gap_begin_ += moved;
      gap_end_ += moved;
    }
  }

  void MakeRoom(std::size_t count) {
    if (gap_end_ - gap_begin_ >= count) return;
    std::size_t gap = std::max(count, size() / 4 + 64);
    std::vector<T> bigger;
    bigger.reserve(size() + gap);
    auto base = buf_.begin();
    std::move(base, base + static_cast<std::ptrdiff_t>(gap_begin_), std::back_inserter(bigger));
    bigger.resize(gap_begin_ + gap);
    std::move(base + static_cast<std::ptrdiff_t>(gap_end_), buf_.end(), std::back_inserter(bigger));
    buf_ = std::move(bigger);
    gap_end_ = gap_begin_ + gap;
  }

  std::vector<T> buf_;
  std::size_t gap_begin_ = 0;  // the gap is buf_[gap_begin_, gap_end_)
  std::size_t gap_end_ = 0;
};

}  // namespace qlx::memory
