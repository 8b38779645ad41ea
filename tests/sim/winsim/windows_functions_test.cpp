// Which functions each Windows version has, as programs meet them: bound by name at run time,
// and imported, where a missing one keeps the program from starting at all.
#include "sim/winsim/windows_functions.h"

#include <string>
#include <vector>

#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class WindowsFunctions : public SimPcTest {};

const char* const kProfiles[] = {"95", "98", "me", "nt351", "nt4", "2000", "xp"};

// The functions Tavos and its setup bind at run time, found per version: device interfaces
// from 98 and 2000, the notification area, default menu items and the shell's special
// folders from 95 and NT 4.0, Toolhelp on the 9x family and from 2000, PSAPI and the service
// manager on the NT family only, the 64-bit check from XP.
// The two lists state facts about Windows: where both name a function, they must agree.
TEST_F(WindowsFunctions, TavosAndSetupListsAgreeOnTheFunctionsTheyShare) {
  int shared = 0;
  for (const winsim::WindowsFunction& setup : winsim::SetupListedFunctions()) {
    for (const winsim::WindowsFunction& tavos : winsim::ListedFunctions()) {
      if (std::string(setup.library) != tavos.library || std::string(setup.name) != tavos.name)
        continue;
      ++shared;
      EXPECT_EQ(std::string(tavos.first9x) + " " + tavos.firstNt,
                std::string(setup.first9x) + " " + setup.firstNt)
          << setup.library << "!" << setup.name;
    }
  }
  EXPECT_GT(shared, 20) << "they share the C library, KERNEL32's basics, Toolhelp and PSAPI";
}

TEST_F(WindowsFunctions, BoundFunctionsAreFoundOnlyWhereTheVersionHasThem) {
  struct Probe {
    const char* library;
    const char* function;
  };
  const Probe probes[] = {{"SETUPAPI.DLL", "SetupDiGetClassDevsA"},
                          {"SETUPAPI.DLL", "SetupDiGetDeviceInterfaceDetailA"},
                          {"SHELL32.DLL", "Shell_NotifyIconA"},
                          {"USER32.DLL", "SetMenuDefaultItem"},
                          {"KERNEL32.DLL", "CreateToolhelp32Snapshot"},
                          {"PSAPI.DLL", "EnumProcesses"},
                          {"SHELL32.DLL", "SHGetSpecialFolderLocation"},
                          {"KERNEL32.DLL", "IsWow64Process"},
                          {"ADVAPI32.DLL", "OpenSCManagerA"}};
  const std::vector<std::string> expected = {
      "95: - - tray menu toolhelp - folders - -",
      "98: setupapi setupapi tray menu toolhelp - folders - -",
      "me: setupapi setupapi tray menu toolhelp - folders - -",
      "nt351: - - - - - psapi - - services",
      "nt4: - - tray menu - psapi folders - services",
      "2000: setupapi setupapi tray menu toolhelp psapi folders - services",
      "xp: setupapi setupapi tray menu toolhelp psapi folders wow64 services"};
  const char* const labels[] = {"setupapi", "setupapi", "tray",  "menu",    "toolhelp",
                                "psapi",    "folders",  "wow64", "services"};
  std::vector<std::string> got;
  for (const char* profile : kProfiles) {
    pc->SetProfile(Profile(profile));
    std::string row = std::string(profile) + ":";
    for (size_t i = 0; i < sizeof probes / sizeof probes[0]; ++i) {
      SetLastError(kUntouched);
      HMODULE module = LoadLibraryA(probes[i].library);
      FARPROC address = module ? GetProcAddress(module, probes[i].function) : nullptr;
      // A library that is not there fails to load; a function that is not there to bind.
      DWORD expectedError = module ? DWORD(ERROR_PROC_NOT_FOUND) : DWORD(ERROR_MOD_NOT_FOUND);
      if (address == nullptr) {
        EXPECT_EQ(expectedError, GetLastError()) << profile << " " << probes[i].function;
      }
      row += std::string(" ") + (address ? labels[i] : "-");
      if (module) {
        EXPECT_TRUE(FreeLibrary(module));
      }
    }
    got.push_back(row);
  }
  EXPECT_EQ(expected, got);
}

// Windows' loader refuses a program whose imports it cannot all resolve: none of its code
// runs, and the system names the first missing function in its own words.
TEST_F(WindowsFunctions, AProgramImportingAMissingFunctionDoesNotStart) {
  const std::vector<winsim::WindowsFunction> imports = {
      *winsim::FindListedFunction("KERNEL32", "GetVersionExA"),
      *winsim::FindListedFunction("SETUPAPI", "SetupDiGetClassDevsA")};
  struct Case {
    const char* profile;
    const char* refusal;  // the timeline line, or "" when the program starts
  };
  const Case cases[] = {
      {"95",
       "0 process refused \"T.exe\" system message \"The T.exe file is linked to missing "
       "export SETUPAPI.DLL:SetupDiGetClassDevsA.\""},
      {"nt4",
       "0 process refused \"T.exe\" system message \"The procedure entry point "
       "SetupDiGetClassDevsA could not be located in the dynamic link library SETUPAPI.DLL.\""},
      {"98", ""},
      {"2000", ""}};
  for (const Case& c : cases) {
    pc->SetProfile(Profile(c.profile));
    bool ran = false;
    winsim::SimProcess& process = pc->StartProgram(
        "C:\\T.exe",
        [&] {
          ran = true;
          return 0;
        },
        "", imports);
    EXPECT_EQ(c.refusal[0] == '\0', ran) << c.profile;
    EXPECT_FALSE(process.running) << c.profile;
    if (c.refusal[0] != '\0') {
      EXPECT_TRUE(HasLine(c.refusal)) << c.profile << Timeline();
    }
  }
}

// Tavos's and the setup's import lists: every version text is one the simulation knows (an
// unknown one would count as "never"), and every import is there on each Windows they start on.
TEST_F(WindowsFunctions, ListedImportsExistOnEveryVersionTheProgramsStartOn) {
  const std::vector<std::string> known9x = {"95", "98", "Me", "none"};
  const std::vector<std::string> knownNt = {"3.1", "3.5", "3.51", "4.0", "2000", "XP", "none"};
  auto known = [](const std::vector<std::string>& names, const char* name) {
    for (const std::string& known : names)
      if (known == name) return true;
    return false;
  };
  ASSERT_FALSE(winsim::ListedImports().empty());
  ASSERT_FALSE(winsim::SetupListedImports().empty());
  for (const auto* list : {&winsim::ListedFunctions(), &winsim::SetupListedFunctions()}) {
    for (const winsim::WindowsFunction& function : *list) {
      EXPECT_TRUE(known(known9x, function.first9x)) << function.name << " " << function.first9x;
      EXPECT_TRUE(known(knownNt, function.firstNt)) << function.name << " " << function.firstNt;
    }
  }
  for (const char* profile : kProfiles) {
    for (const auto& imports : {winsim::ListedImports(), winsim::SetupListedImports()}) {
      const winsim::WindowsFunction* missing =
          winsim::FirstMissingImport(Profile(profile), imports);
      EXPECT_EQ(nullptr, missing) << profile << " lacks " << (missing ? missing->name : "");
    }
  }
}

// A program finds with GetModuleHandleA only the libraries it imports from (and KERNEL32);
// any other it must load, as the setup loads SHELL32 for the Start menu's folder.
TEST_F(WindowsFunctions, OnlyImportedLibrariesAreThereWithoutLoading) {
  const std::vector<winsim::WindowsFunction> imports = {
      *winsim::FindListedFunction("USER32", "MessageBoxA"),
      *winsim::FindListedFunction("KERNEL32", "GetVersionExA")};
  std::vector<std::string> seen;
  pc->StartProgram(
      "C:\\T.exe",
      [&] {
        for (const char* library : {"KERNEL32.DLL", "USER32.DLL", "SHELL32.DLL"}) {
          SetLastError(kUntouched);
          seen.push_back(GetModuleHandleA(library) ? "mapped"
                                                   : "error " + std::to_string(GetLastError()));
        }
        HMODULE shell = LoadLibraryA("SHELL32.DLL");
        seen.push_back(GetModuleHandleA("shell32") == shell ? "loaded" : "not loaded");
        FreeLibrary(shell);
        return 0;
      },
      "", imports);
  EXPECT_EQ((std::vector<std::string>{"mapped", "mapped", "error 126", "loaded"}), seen);
}

}  // namespace
}  // namespace winsim_test
