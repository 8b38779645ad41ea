// COM as far as shortcuts need it: CoInitialize per thread, CoCreateInstance of the shell's
// link object (CLSID_ShellLink) with IShellLinkA and IPersistFile. Saving writes a real .lnk
// file (the shell link format's header, a link info with the local path, and the working
// folder, arguments and description as ANSI strings); loading reads one back. NT 3.51's
// shell has no link object.
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/code_page.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

const CLSID CLSID_ShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

const IID kIidUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidPersist = {0x0000010C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr HRESULT kPathNotFound = HRESULT(0x80070003);      // HRESULT_FROM_WIN32(3)
constexpr HRESULT kFileNotFound = HRESULT(0x80070002);      // HRESULT_FROM_WIN32(2)
constexpr HRESULT kSharingViolation = HRESULT(0x80070020);  // HRESULT_FROM_WIN32(32)

// The link flags this file writes and reads.
constexpr uint32_t kHasLinkInfo = 0x02, kHasName = 0x04, kHasWorkingDir = 0x10,
                   kHasArguments = 0x20;
constexpr size_t kHeaderSize = 0x4C;

void PutU16(std::string& out, uint16_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char(v >> 8));
}
void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}
uint32_t U32(const std::string& in, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(in[at + i]);
  return v;
}
uint16_t U16(const std::string& in, size_t at) {
  return uint16_t(uint8_t(in[at]) | uint8_t(in[at + 1]) << 8);
}

std::string Narrow(LPCOLESTR wide) {
  std::string text;
  for (; *wide; ++wide) text.push_back(winsim::AnsiOfWide(*wide));
  return text;
}

void CopyCut(LPSTR to, int size, const std::string& text) {
  if (to == nullptr || size <= 0) return;
  size_t length = std::min(text.size(), size_t(size - 1));
  std::memcpy(to, text.data(), length);
  to[length] = '\0';
}

class ShellLink final : public IShellLinkA, public IPersistFile {
 public:
  ShellLink() { ++WindowsPc::Current().Com().liveObjects; }
  ~ShellLink() { --WindowsPc::Current().Com().liveObjects; }

  // ---- IUnknown (through either interface)
  HRESULT WINAPI QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == kIidUnknown || riid == IID_IShellLinkA) {
      *ppv = static_cast<IShellLinkA*>(this);
    } else if (riid == IID_IPersistFile || riid == kIidPersist) {
      *ppv = static_cast<IPersistFile*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return ++references_; }
  ULONG WINAPI Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ---- IShellLinkA
  HRESULT WINAPI GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD) override {
    if (pfd) std::memset(pfd, 0, sizeof *pfd);
    CopyCut(pszFile, cch, path_);
    return path_.empty() ? S_FALSE : S_OK;
  }
  HRESULT WINAPI GetIDList(LPITEMIDLIST*) override { return Unsupported("GetIDList"); }
  HRESULT WINAPI SetIDList(LPCITEMIDLIST) override { return Unsupported("SetIDList"); }
  HRESULT WINAPI GetDescription(LPSTR pszName, int cch) override {
    CopyCut(pszName, cch, description_);
    return S_OK;
  }
  HRESULT WINAPI SetDescription(LPCSTR pszName) override { return Set(&description_, pszName); }
  HRESULT WINAPI GetWorkingDirectory(LPSTR pszDir, int cch) override {
    CopyCut(pszDir, cch, workingDirectory_);
    return S_OK;
  }
  HRESULT WINAPI SetWorkingDirectory(LPCSTR pszDir) override {
    return Set(&workingDirectory_, pszDir);
  }
  HRESULT WINAPI GetArguments(LPSTR pszArgs, int cch) override {
    CopyCut(pszArgs, cch, arguments_);
    return S_OK;
  }
  HRESULT WINAPI SetArguments(LPCSTR pszArgs) override { return Set(&arguments_, pszArgs); }
  HRESULT WINAPI GetHotkey(WORD*) override { return Unsupported("GetHotkey"); }
  HRESULT WINAPI SetHotkey(WORD) override { return Unsupported("SetHotkey"); }
  HRESULT WINAPI GetShowCmd(int*) override { return Unsupported("GetShowCmd"); }
  HRESULT WINAPI SetShowCmd(int) override { return Unsupported("SetShowCmd"); }
  HRESULT WINAPI GetIconLocation(LPSTR, int, int*) override {
    return Unsupported("GetIconLocation");
  }
  HRESULT WINAPI SetIconLocation(LPCSTR, int) override { return Unsupported("SetIconLocation"); }
  HRESULT WINAPI SetRelativePath(LPCSTR, DWORD) override { return Unsupported("SetRelativePath"); }
  HRESULT WINAPI Resolve(HWND, DWORD) override { return Unsupported("Resolve"); }
  // A shortcut points at a full path on drive C: here.
  HRESULT WINAPI SetPath(LPCSTR pszFile) override {
    std::string path;
    if (pszFile == nullptr || !WindowsPc::Current().Files().Normalize(pszFile, &path))
      return E_INVALIDARG;
    path_ = path;
    return S_OK;
  }

  // ---- IPersistFile
  HRESULT WINAPI GetClassID(CLSID* pClassID) override {
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT WINAPI IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT WINAPI Load(LPCOLESTR pszFileName, DWORD) override {
    if (pszFileName == nullptr) return E_INVALIDARG;
    std::string bytes;
    winsim::FileSystem& files = WindowsPc::Current().Files();
    if (!files.IsFile(Narrow(pszFileName)) || !files.ReadFile(Narrow(pszFileName), &bytes))
      return kFileNotFound;
    return Parse(bytes) ? S_OK : E_FAIL;
  }
  HRESULT WINAPI Save(LPCOLESTR pszFileName, BOOL) override {
    WindowsPc& pc = WindowsPc::Current();
    winsim::FileSystem& files = pc.Files();
    if (pszFileName == nullptr) return E_INVALIDARG;
    std::string file;
    if (!files.Normalize(Narrow(pszFileName), &file) || !files.ParentExists(file))
      return kPathNotFound;
    if (files.IsDirectory(file)) return E_INVALIDARG;
    if (!files.SharingAllows(file, GENERIC_WRITE, 0)) return kSharingViolation;
    if (!files.WriteFile(file, Serialize())) return E_FAIL;
    dirty_ = false;
    pc.Events().Add("shortcut " + winsim::Quote(file) + " -> " + winsim::Quote(path_) +
                    (arguments_.empty() ? "" : " " + winsim::Quote(arguments_)));
    return S_OK;
  }
  HRESULT WINAPI SaveCompleted(LPCOLESTR) override { return S_OK; }
  HRESULT WINAPI GetCurFile(LPOLESTR*) override { return Unsupported("GetCurFile"); }

 private:
  HRESULT Set(std::string* field, LPCSTR text) {
    if (text == nullptr) return E_INVALIDARG;
    *field = text;
    dirty_ = true;
    return S_OK;
  }
  HRESULT Unsupported(const char* method) {
    WindowsPc::Current().Stub(std::string("IShellLinkA::") + method);
    return E_NOTIMPL;
  }

  std::string Serialize() const {
    std::string out;
    uint32_t flags = kHasLinkInfo | kHasWorkingDir | (description_.empty() ? 0 : kHasName) |
                     (arguments_.empty() ? 0 : kHasArguments);
    PutU32(out, kHeaderSize);
    PutU32(out, CLSID_ShellLink.Data1);
    PutU16(out, CLSID_ShellLink.Data2);
    PutU16(out, CLSID_ShellLink.Data3);
    out.append(reinterpret_cast<const char*>(CLSID_ShellLink.Data4), 8);
    PutU32(out, flags);
    PutU32(out, FILE_ATTRIBUTE_ARCHIVE);
    out.append(24, '\0');  // creation, access and write times
    PutU32(out, 0);        // file size
    PutU32(out, 0);        // icon index
    PutU32(out, SW_SHOWNORMAL);
    out.append(12, '\0');  // hot key and reserved
    // Link info: its header, a fixed disk's volume id with an empty label, the local path.
    const uint32_t infoHeader = 0x1C, volumeSize = 0x11;
    const uint32_t pathOffset = infoHeader + volumeSize;
    const uint32_t suffixOffset = pathOffset + uint32_t(path_.size()) + 1;
    PutU32(out, suffixOffset + 1);
    PutU32(out, infoHeader);
    PutU32(out, 1);  // VolumeIDAndLocalBasePath
    PutU32(out, infoHeader);
    PutU32(out, pathOffset);
    PutU32(out, 0);
    PutU32(out, suffixOffset);
    PutU32(out, volumeSize);
    PutU32(out, 3);  // DRIVE_FIXED
    PutU32(out, 0x1C0A7A05);
    PutU32(out, 0x10);
    out.push_back('\0');
    out += path_ + '\0';
    out.push_back('\0');
    for (const std::string* text : {&description_, &workingDirectory_, &arguments_}) {
      if ((text == &description_ && description_.empty()) ||
          (text == &arguments_ && arguments_.empty()))
        continue;
      PutU16(out, uint16_t(text->size()));
      out += *text;
    }
    PutU32(out, 0);  // no extra data
    return out;
  }

  // Reads what Serialize writes; false for anything else.
  bool Parse(const std::string& in) {
    if (in.size() < kHeaderSize + 0x1C || U32(in, 0) != kHeaderSize) return false;
    const uint32_t flags = U32(in, 0x14);
    size_t at = kHeaderSize;
    if (!(flags & kHasLinkInfo)) return false;
    const uint32_t infoSize = U32(in, at), pathOffset = U32(in, at + 0x10);
    if (infoSize > in.size() - at || pathOffset >= infoSize) return false;
    size_t end = in.find('\0', at + pathOffset);
    if (end == std::string::npos || end >= at + infoSize) return false;
    path_ = in.substr(at + pathOffset, end - at - pathOffset);
    at += infoSize;
    description_.clear();
    workingDirectory_.clear();
    arguments_.clear();
    for (auto [flag, field] :
         {std::pair{kHasName, &description_}, std::pair{kHasWorkingDir, &workingDirectory_},
          std::pair{kHasArguments, &arguments_}}) {
      if (!(flags & flag)) continue;
      if (at + 2 > in.size()) return false;
      const size_t length = U16(in, at);
      if (at + 2 + length > in.size()) return false;
      *field = in.substr(at + 2, length);
      at += 2 + length;
    }
    dirty_ = false;
    return true;
  }

  ULONG references_ = 1;
  std::string path_, description_, workingDirectory_, arguments_;
  bool dirty_ = false;
};

DWORD ThreadKey() { return GetCurrentThreadId(); }

}  // namespace

HRESULT WINAPI CoInitialize(LPVOID) {
  winsim::SimScope scope;
  return ++WindowsPc::Current().Com().initialized[ThreadKey()] == 1 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  int& count = pc.Com().initialized[ThreadKey()];
  if (count == 0) {
    pc.Violation("CoUninitialize without CoInitialize");
    return;
  }
  --count;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext,
                                REFIID riid, void** ppv) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (pc.Com().initialized[ThreadKey()] == 0) return CO_E_NOTINITIALIZED;
  if (!(rclsid == CLSID_ShellLink) || !(dwClsContext & CLSCTX_INPROC_SERVER) ||
      pc.Profile().major < 4)
    return REGDB_E_CLASSNOTREG;
  if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
  auto* link = new ShellLink;
  HRESULT result = link->QueryInterface(riid, ppv);
  link->Release();
  return result;
}
