// CString: the framework's owned narrow string, the little of it the program uses.
#pragma once

#include <string>

#include "platform/win32.h"

class CString {
 public:
  CString() = default;
  CString(LPCSTR text) : text_(text ? text : "") {}  // NOLINT: converts like the framework's
  CString(const CString&) = default;
  CString& operator=(const CString&) = default;
  CString& operator=(LPCSTR text) {
    text_ = text ? text : "";
    return *this;
  }
  CString& operator+=(LPCSTR text) {
    if (text) text_ += text;
    return *this;
  }
  CString& operator+=(const CString& other) {
    text_ += other.text_;
    return *this;
  }
  operator LPCSTR() const { return text_.c_str(); }  // NOLINT
  int GetLength() const { return int(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  bool operator==(LPCSTR text) const { return text_ == (text ? text : ""); }

 private:
  std::string text_;
};

inline CString operator+(const CString& left, LPCSTR right) {
  CString joined(left);
  joined += right;
  return joined;
}
