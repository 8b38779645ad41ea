// CString: the framework's owned narrow string, the little of it the program uses.
#pragma once

#include <cctype>
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
  // ASCII letters to upper case; other bytes stay as they are.
  CString& MakeUpper() {
    for (char& c : text_) c = char(std::toupper(static_cast<unsigned char>(c)));
    return *this;
  }
  // The index of the first `sub` from `start` on, or -1.
  int Find(LPCSTR sub, int start = 0) const {
    if (sub == nullptr || start < 0 || start > GetLength()) return -1;
    const char* text = *this;
    const char* at = std::strstr(text + start, sub);
    return at == nullptr ? -1 : int(at - text);
  }
  int ReverseFind(char ch) const {
    const char* text = *this;
    const char* at = std::strrchr(text, ch);
    return at == nullptr || ch == '\0' ? -1 : int(at - text);
  }
  CString Mid(int first) const {
    if (first < 0) first = 0;
    return first >= GetLength() ? CString() : CString(LPCSTR(*this) + first);
  }
  // Loads string resource `id` of the program; false (and empty) when there is none.
  BOOL LoadString(UINT id) {
    char buffer[256];
    int length = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, int(sizeof buffer));
    text_.clear();
    if (length > 0) Append(buffer, size_t(length));
    return length > 0;
  }

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
