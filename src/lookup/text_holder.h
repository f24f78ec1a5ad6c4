#pragma once

#include <cstdint>

#include "platform/text.h"

namespace sv::lookup {

// The hidden holder of the dictionary text: the whole text, and a selection
// whose offsets count the same UTF-16 units as the search positions. It has
// no length limit of its own.
class TextHolder {
 public:
  void SetText(Text text) {
    text_ = std::move(text);
    selStart_ = 0;
    selLength_ = 0;
  }
  const Text& GetText() const { return text_; }

  // 0-based; clipped to the text, like a text control's selection.
  void SetSelStart(std::int64_t start) { selStart_ = Clip(start, 0, text_.size()); }
  void SetSelLength(std::int64_t length) { selLength_ = Clip(length, 0, text_.size() - selStart_); }
  std::size_t SelStart() const { return selStart_; }
  Text SelText() const { return text_.substr(selStart_, selLength_); }

 private:
  static std::size_t Clip(std::int64_t v, std::size_t lo, std::size_t hi) {
    if (v < 0 || static_cast<std::uint64_t>(v) < lo) return lo;
    return static_cast<std::uint64_t>(v) > hi ? hi : static_cast<std::size_t>(v);
  }

  Text text_;
  std::size_t selStart_ = 0;
  std::size_t selLength_ = 0;
};

}  // namespace sv::lookup
