// CString: the framework's owned narrow string, the little of it the program uses.
#pragma once

#include <cctype>
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
  // ASCII letters to upper case; other bytes stay as they are.
  CString& MakeUpper() {
    for (char& c : text_) c = char(std::toupper(static_cast<unsigned char>(c)));
    return *this;
  }
  // The index of the first `sub` from `start` on, or -1.
  int Find(LPCSTR sub, int start = 0) const {
    if (sub == nullptr || start < 0 || size_t(start) > text_.size()) return -1;
    size_t at = text_.find(sub, size_t(start));
    return at == std::string::npos ? -1 : int(at);
  }
  int ReverseFind(char ch) const {
    size_t at = text_.rfind(ch);
    return at == std::string::npos ? -1 : int(at);
  }
  CString Mid(int first) const {
    if (first < 0) first = 0;
    return size_t(first) >= text_.size() ? CString() : CString(text_.substr(size_t(first)).c_str());
  }
  // Loads string resource `id` of the program; false (and empty) when there is none.
  BOOL LoadString(UINT id) {
    char buffer[256];
    int length = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, int(sizeof buffer));
    text_.assign(buffer, size_t(length > 0 ? length : 0));
    return length > 0;
  }

 private:
  std::string text_;
};

inline CString operator+(const CString& left, LPCSTR right) {
  CString joined(left);
  joined += right;
  return joined;
}
