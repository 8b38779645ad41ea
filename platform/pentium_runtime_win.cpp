// The C and C++ run-time pieces the Windows image takes from this file instead of the
// libraries mingw-w64 ships. Those libraries are built for the Pentium Pro (CMOV, FCOMI) and
// would stop Tavos on a Pentium; everything here compiles for the Pentium like the program.
// Formatting, number parsing and allocation go to the system's C library, CRTDLL.DLL.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

// Names the mingw-w64 headers route the C99 stdio and strtod calls to. These are the
// system's own functions under another name, so they behave as Microsoft's C library does:
// "%p" as eight upper-case hex digits, no "%zu", strtod without hexadecimal, "inf" or "nan".
// The headers turn every call of these names into a call of the functions below, so
// the system library's own entries are reached through their import slots.
extern "C" {
extern int(__cdecl* __MINGW_IMP_SYMBOL(_vsnprintf))(char*, size_t, const char*, va_list);
extern int(__cdecl* __MINGW_IMP_SYMBOL(vfprintf))(FILE*, const char*, va_list);
extern double(__cdecl* __MINGW_IMP_SYMBOL(strtod))(const char*, char**);

int __cdecl __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
  if (size == 0) return 0;
  int written = __MINGW_IMP_SYMBOL(_vsnprintf)(buffer, size, format, args);
  // The system leaves a cut text unterminated and answers -1; C99 callers expect both fixed.
  buffer[size - 1] = '\0';
  return written < 0 ? int(size) : written;
}

int __cdecl __mingw_vfprintf(FILE* stream, const char* format, va_list args) {
  return __MINGW_IMP_SYMBOL(vfprintf)(stream, format, args);
}

int __cdecl __mingw_vprintf(const char* format, va_list args) {
  return __MINGW_IMP_SYMBOL(vfprintf)(stdout, format, args);
}

double __cdecl __mingw_strtod(const char* text, char** end) {
  return __MINGW_IMP_SYMBOL(strtod)(text, end);
}
}

// Without exceptions, what the C++ library would throw ends the program: the only
// such errors it can meet here are an exhausted heap and an impossible container size.
namespace {
[[noreturn]] void RuntimeFailure() { std::abort(); }
}  // namespace

void* operator new(size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (block == nullptr) RuntimeFailure();
  return block;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }

// All of the library's throwing helpers, so that none of its own (which throw, and would bring
// the exception machinery back) is ever linked, whichever container code the program uses.
namespace std {
void __throw_bad_exception() { RuntimeFailure(); }
void __throw_bad_alloc() { RuntimeFailure(); }
void __throw_bad_array_new_length() { RuntimeFailure(); }
void __throw_bad_cast() { RuntimeFailure(); }
void __throw_bad_typeid() { RuntimeFailure(); }
void __throw_bad_function_call() { RuntimeFailure(); }
void __throw_logic_error(const char*) { RuntimeFailure(); }
void __throw_domain_error(const char*) { RuntimeFailure(); }
void __throw_invalid_argument(const char*) { RuntimeFailure(); }
void __throw_length_error(const char*) { RuntimeFailure(); }
void __throw_out_of_range(const char*) { RuntimeFailure(); }
void __throw_out_of_range_fmt(const char*, ...) { RuntimeFailure(); }
void __throw_runtime_error(const char*) { RuntimeFailure(); }
void __throw_range_error(const char*) { RuntimeFailure(); }
void __throw_overflow_error(const char*) { RuntimeFailure(); }
void __throw_underflow_error(const char*) { RuntimeFailure(); }
const nothrow_t nothrow{};
}  // namespace std
