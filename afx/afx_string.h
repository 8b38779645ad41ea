// CString: the framework's owned narrow string, the little of it the program uses.
#pragma once

#include <cstring>
#include <vector>

#include "platform/win32.h"

class CString {
 public:
  CString() = default;
  CString(LPCSTR text) { Assign(text); }  // NOLINT: converts like the framework's
  CString(const CString&) = default;
  CString& operator=(const CString&) = default;
  CString& operator=(LPCSTR text) {
    Assign(text);
    return *this;
  }
  CString& operator+=(LPCSTR text) {
    if (text) Append(text, std::strlen(text));
    return *this;
  }
  CString& operator+=(const CString& other) {
    Append(other, size_t(other.GetLength()));
    return *this;
  }
  operator LPCSTR() const { return text_.empty() ? "" : text_.data(); }  // NOLINT
  int GetLength() const { return text_.empty() ? 0 : int(text_.size() - 1); }
  bool IsEmpty() const { return GetLength() == 0; }
  void Empty() { text_.clear(); }
  bool operator==(LPCSTR text) const { return std::strcmp(*this, text ? text : "") == 0; }

 private:
  // The characters and their terminator, or nothing for the empty string. A vector, not
  // std::string: the Windows image then carries no prebuilt string code of the C++ library.
  void Assign(LPCSTR text) {
    text_.clear();
    if (text) Append(text, std::strlen(text));
  }
  void Append(const char* text, size_t length) {
    if (length == 0) return;
    if (!text_.empty()) text_.pop_back();
    text_.insert(text_.end(), text, text + length);
    text_.push_back('\0');
  }
  std::vector<char> text_;
};

inline CString operator+(const CString& left, LPCSTR right) {
  CString joined(left);
  joined += right;
  return joined;
}
