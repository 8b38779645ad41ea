// A text of fixed capacity for paths, registry values and messages. The setup's image has no
// C++ string library (it would bring code built for the Pentium Pro), so texts live in
// buffers; what does not fit marks the text cut instead of overrunning it, and a cut text is
// refused wherever it would name something.
#pragma once

#include <cstddef>
#include <cstring>

namespace setup {

template <size_t N>
class BoundedText {
 public:
  BoundedText() { text_[0] = '\0'; }
  explicit BoundedText(const char* text) : BoundedText() { Append(text); }

  BoundedText& Append(const char* text) { return Append(text, text ? std::strlen(text) : 0); }
  BoundedText& Append(const char* text, size_t length) {
    if (length > N - 1 - length_) {
      length = N - 1 - length_;
      cut_ = true;
    }
    std::memcpy(text_ + length_, text, length);
    length_ += length;
    text_[length_] = '\0';
    return *this;
  }
  BoundedText& Append(char c) { return Append(&c, 1); }
  // Decimal, as the messages show error numbers.
  BoundedText& AppendNumber(unsigned long value) {
    char digits[24];
    size_t count = 0;
    do {
      digits[count++] = char('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0) Append(digits[--count]);
    return *this;
  }
  void Clear() {
    length_ = 0;
    cut_ = false;
    text_[0] = '\0';
  }
  // For a function that fills the buffer itself: its capacity, and then Adopt to take its text.
  char* Buffer() { return text_; }
  static constexpr size_t Capacity() { return N; }
  void Adopt() {
    text_[N - 1] = '\0';
    length_ = std::strlen(text_);
    cut_ = false;
  }
  // Keeps the first `length` characters.
  void Truncate(size_t length) {
    if (length < length_) {
      length_ = length;
      text_[length_] = '\0';
    }
  }

  const char* c_str() const { return text_; }
  size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }
  bool cut() const { return cut_; }

 private:
  char text_[N];
  size_t length_ = 0;
  bool cut_ = false;
};

// Windows paths: MAX_PATH (260) characters with the terminator.
using PathText = BoundedText<260>;
// Command lines, registry values and messages.
using LineText = BoundedText<1024>;

}  // namespace setup
