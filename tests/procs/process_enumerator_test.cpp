// CProcessEnumerator on each Windows version of the simulated PC: the method it chooses, the
// entries and their order, the names of processes it cannot read, and what it leaves behind.
#include "procs/process_enumerator.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <ostream>

#include "tests/procs/procs_fixture.h"

namespace procs_test {
namespace {

constexpr char kSecurity[] = "N/A (security restriction)";
constexpr char kError[] = "N/A (error)";
constexpr char kTavos[] = "C:\\Program Files\\Tavos\\Tavos.exe";
constexpr int kDefault = -100;     // no SetMethod: the method the constructor chose
constexpr size_t kMaxRows = 5000;  // a walk that never ends stops here

struct Row {
  std::string name;
  DWORD pid;
  WORD task;
  bool operator==(const Row& other) const {
    return name == other.name && pid == other.pid && task == other.task;
  }
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << "{\"" << row.name << "\", " << row.pid << ", " << row.task << "}";
}

// What one walk saw, and what the enumerator held and left.
struct Walk {
  DWORD self = 0;  // the walking program's id
  int available = -1;
  int method = -1;
  std::vector<Row> rows;
  size_t unterminated = 0;  // names without a terminator in their 256 bytes
  size_t mostHandles = 0;   // handles the program held between two entries
  std::map<std::string, int> librariesHeld;
  size_t pendingAtEnd = 0;  // 16-bit tasks queued when the walk stopped
  size_t handlesLeft = 0;
  std::map<std::string, int> librariesLeft;
  size_t pendingLeft = 0;
};

Row RowOf(const CProcessEntry& entry) {
  return {std::string(entry.lpszName, strnlen(entry.lpszName, CProcessEntry::kNameLength)),
          entry.dwPID, entry.hTask16};
}

std::vector<Row> From(const std::vector<Row>& rows, size_t first) {
  return std::vector<Row>(rows.begin() + std::min(first, rows.size()), rows.end());
}

class EnumeratorTest : public ProcsTest {
 protected:
  // One walk inside the program, as both users do it: construct, SetMethod (unless
  // kDefault), ProcessFirst, ProcessNext until FALSE or `stopAfter` entries, destroy.
  Walk WalkAll(int method = ENUM_TOOLHELP | ENUM_VDM, size_t stopAfter = kMaxRows) {
    Walk walk;
    walk.self = InProgram([&] {
      DWORD self = Pc().CurrentPid();
      {
        CProcessEnumerator enumerator;
        walk.available = enumerator.GetAvailableMethods();
        walk.method = method == kDefault ? enumerator.m_nMethod : enumerator.SetMethod(method);
        CProcessEntry entry;
        for (BOOL more = enumerator.ProcessFirst(&entry); more;
             more = enumerator.ProcessNext(&entry)) {
          walk.rows.push_back(RowOf(entry));
          walk.unterminated += strnlen(entry.lpszName, CProcessEntry::kNameLength) ==
                               size_t(CProcessEntry::kNameLength);
          walk.mostHandles = std::max(walk.mostHandles, Pc().Handles().OpenCount(self));
          if (walk.rows.size() == stopAfter) break;
        }
        walk.librariesHeld = Self().libraryReferences;
        walk.pendingAtEnd = g_pendingWowTasks.size();
      }
      walk.handlesLeft = Pc().Handles().OpenCount(self);
      walk.librariesLeft = Self().libraryReferences;
      walk.pendingLeft = g_pendingWowTasks.size();
    });
    return walk;
  }

  static void ExpectAllReleased(const Walk& walk) {
    EXPECT_EQ(0u, walk.handlesLeft) << "a handle outlived the enumerator";
    for (const auto& [library, references] : walk.librariesLeft)
      EXPECT_EQ(0, references) << library << " was not freed as often as it was loaded";
    EXPECT_EQ(0u, walk.pendingLeft) << "16-bit task records outlived the enumerator";
    EXPECT_EQ(0u, walk.unterminated);
  }

  // The system's own processes of the running version, skipped by most tests.
  size_t SystemCount() {
    size_t count = 0;
    for (winsim::SimProcess* process : Pc().Processes()) count += process->system;
    return count;
  }
};

// ---- the method

TEST_F(EnumeratorTest, EachWindowsGetsTheMethodItsLibrariesAllow) {
  const std::map<std::string, int> toolhelpOnly{{"KERNEL32", 1}};
  const std::map<std::string, int> all{{"KERNEL32", 1}, {"PSAPI", 1}, {"VDMDBG", 1}};
  struct Case {
    const char* os;
    int available;
    int chosen;          // by the constructor
    int afterSetMethod;  // SetMethod(6), as both users call it
    size_t handles;      // held between entries: Toolhelp keeps its snapshot, PSAPI nothing
    std::map<std::string, int> libraries;
  };
  const Case cases[] = {
      {"95", 2, 2, 2, 1, toolhelpOnly}, {"98", 2, 2, 2, 1, toolhelpOnly},
      {"me", 2, 2, 2, 1, toolhelpOnly}, {"nt351", 5, 5, 5, 0, all},
      {"nt4", 5, 5, 5, 0, all},         {"2000", 7, 6, 6, 1, all},
      {"xp", 7, 6, 6, 1, all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.os);
    Boot(c.os);
    Walk chosen = WalkAll(kDefault);
    EXPECT_EQ(c.available, chosen.available);
    EXPECT_EQ(c.chosen, chosen.method);
    ExpectAllReleased(chosen);
    Walk walk = WalkAll(ENUM_TOOLHELP | ENUM_VDM);
    EXPECT_EQ(c.afterSetMethod, walk.method);
    EXPECT_EQ(SystemCount() + 1, walk.rows.size());
    EXPECT_EQ(c.handles, walk.mostHandles);
    EXPECT_EQ(c.libraries, walk.librariesHeld);
    ExpectAllReleased(walk);
  }
}

TEST_F(EnumeratorTest, WithoutPsapiOrToolhelpTheMethodIsZeroAndTheListEmpty) {
  // VDMDBG alone lists nothing, so it does not count either.
  for (bool vdmdbg : {false, true}) {
    SCOPED_TRACE(vdmdbg ? "VDMDBG only" : "no library");
    winsim::OsProfile bare = winsim::CustomProfile(4, 0, VER_PLATFORM_WIN32_NT);
    bare.hasPsapi = false;
    bare.hasVdmdbg = vdmdbg;
    Boot(bare);
    Walk walk = WalkAll(kDefault);
    EXPECT_EQ(0, walk.available);
    EXPECT_EQ(0, walk.method);
    EXPECT_EQ(std::vector<Row>{}, walk.rows);
    std::map<std::string, int> held{{"KERNEL32", 1}};
    if (vdmdbg) held["VDMDBG"] = 1;
    EXPECT_EQ(held, walk.librariesHeld);
    ExpectAllReleased(walk);
    EXPECT_EQ(0, WalkAll(ENUM_TOOLHELP | ENUM_VDM).method);
  }
}

TEST_F(EnumeratorTest, SetMethodTakesOnlyAvailableBitsAndNeverVdmAlone) {
  struct Request {
    int method;
    int inForce;
  };
  struct Case {
    const char* os;
    std::vector<Request> requests;  // in turn, on one enumerator
  };
  const Case cases[] = {
      {"xp",
       {{4, 6}, {8, 6}, {-1, 6}, {1, 1}, {4, 1}, {5, 5}, {3, 3}, {7, 7}, {0, 0}, {4, 0}, {2, 2}}},
      {"nt4", {{6, 5}, {2, 5}, {3, 5}, {4, 5}, {7, 5}, {1, 1}, {4, 1}, {5, 5}}},
      {"95", {{1, 2}, {4, 2}, {6, 2}, {3, 2}, {5, 2}, {0, 0}, {2, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.os);
    Boot(c.os);
    InProgram([&] {
      CProcessEnumerator enumerator;
      for (const Request& request : c.requests) {
        EXPECT_EQ(request.inForce, enumerator.SetMethod(request.method)) << request.method;
        EXPECT_EQ(request.inForce, enumerator.m_nMethod) << request.method;
      }
    });
  }
}

TEST_F(EnumeratorTest, BitsWrittenIntoTheMethodFieldThatAreNotAvailableAreIgnored) {
  struct Case {
    const char* os;
    int method;  // written into m_nMethod past SetMethod
    bool lists;
  };
  const Case cases[] = {{"95", ENUM_PSAPI | ENUM_VDM, false},
                        {"95", ENUM_VDM, false},
                        {"nt4", ENUM_TOOLHELP | ENUM_VDM, false},
                        {"nt4", ENUM_PSAPI | ENUM_TOOLHELP | ENUM_VDM, true},
                        {"xp", 8, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.os) + " method " + std::to_string(c.method));
    Boot(c.os);
    size_t listed = 0;
    InProgram([&] {
      CProcessEnumerator enumerator;
      enumerator.m_nMethod = c.method;
      CProcessEntry entry;
      for (BOOL more = enumerator.ProcessFirst(&entry); more && listed < kMaxRows;
           more = enumerator.ProcessNext(&entry))
        ++listed;
    });
    EXPECT_EQ(c.lists ? SystemCount() + 1 : 0u, listed);
  }
}

// ---- what each Windows family lists

TEST_F(EnumeratorTest, The95FamilyListsFullPathsThroughToolhelpAndNoTasks) {
  for (const char* os : {"95", "98", "me"}) {
    SCOPED_TRACE(os);
    Boot(os);
    // Only the NT family runs 16-bit programs in a VDM; a process of that name lists alone.
    winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\DOSAPPS\\NTVDM.EXE");
    ASSERT_NE(0, Pc().StartWowTask(vdm, "C:\\WINDOWS\\SOL.EXE"));
    DWORD tavos = Pc().StartPassiveProcess(kTavos).pid;
    Walk walk = WalkAll();
    const std::vector<Row> expected{{"C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL", 0xFFFB0E5F, 0},
                                    {"C:\\WINDOWS\\SYSTEM\\MSGSRV32.EXE", 0xFFFA4C33, 0},
                                    {"C:\\WINDOWS\\SYSTEM\\MPREXE.EXE", 0xFFF9D8A7, 0},
                                    {"C:\\WINDOWS\\EXPLORER.EXE", 0xFFF6F1BF, 0},
                                    {"C:\\DOSAPPS\\NTVDM.EXE", vdm.pid, 0},
                                    {kTavos, tavos, 0},
                                    {kProgram, walk.self, 0}};
    EXPECT_EQ(expected, walk.rows);
    ExpectAllReleased(walk);
  }
}

TEST_F(EnumeratorTest, Nt4ListsThroughPsapiWithTasksAfterTheirNtvdm) {
  for (const char* os : {"nt351", "nt4"}) {
    SCOPED_TRACE(os);
    Boot(os);
    winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
    WORD sol = Pc().StartWowTask(vdm, "C:\\WINDOWS\\SOL.EXE");
    WORD help = Pc().StartWowTask(vdm, "C:\\WINDOWS\\WINHELP.EXE");
    DWORD tavos = Pc().StartPassiveProcess(kTavos).pid;
    Walk walk = WalkAll();
    const std::vector<Row> expected{{kSecurity, 0, 0},
                                    {kSecurity, 2, 0},
                                    {"\\SystemRoot\\System32\\smss.exe", 0x88, 0},
                                    {kSecurity, 0xA0, 0},
                                    {"\\??\\C:\\WINDOWS\\system32\\winlogon.exe", 0xB4, 0},
                                    {"C:\\WINDOWS\\Explorer.EXE", 0xF0, 0},
                                    {"C:\\WINDOWS\\system32\\ntvdm.exe", vdm.pid, 0},
                                    {"C:\\WINDOWS\\SOL.EXE", vdm.pid, sol},
                                    {"C:\\WINDOWS\\WINHELP.EXE", vdm.pid, help},
                                    {kTavos, tavos, 0},
                                    {kProgram, walk.self, 0}};
    EXPECT_EQ(expected, walk.rows);
    ExpectAllReleased(walk);
  }
}

TEST_F(EnumeratorTest, Windows2000AndXpListBareNamesThroughToolhelpWithTasks) {
  for (const char* os : {"2000", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
    WORD sol = Pc().StartWowTask(vdm, "C:\\WINDOWS\\SOL.EXE");
    DWORD tavos = Pc().StartPassiveProcess(kTavos).pid;
    Walk walk = WalkAll();
    std::vector<Row> expected{
        {"[System Process]", 0, 0}, {"System", std::string(os) == "2000" ? 8u : 4u, 0},
        {"smss.exe", 0x88, 0},      {"csrss.exe", 0xA0, 0},
        {"winlogon.exe", 0xB4, 0},  {"Explorer.EXE", 0xF0, 0},
        {"ntvdm.exe", vdm.pid, 0},  {"C:\\WINDOWS\\SOL.EXE", vdm.pid, sol},
        {"Tavos.exe", tavos, 0},    {"T.exe", walk.self, 0}};
    EXPECT_EQ(expected, walk.rows);
    ExpectAllReleased(walk);
    // With PSAPI asked for as well, Toolhelp still lists.
    Walk both = WalkAll(ENUM_PSAPI | ENUM_TOOLHELP | ENUM_VDM);
    EXPECT_EQ(ENUM_PSAPI | ENUM_TOOLHELP | ENUM_VDM, both.method);
    expected.back().pid = both.self;
    EXPECT_EQ(expected, both.rows);
    EXPECT_EQ(1u, both.mostHandles);
    ExpectAllReleased(both);
  }
}

// ---- 16-bit tasks

TEST_F(EnumeratorTest, TasksFollowTheirNtvdmWithEitherListingMethodAndOnlyWithTheVdmBit) {
  struct Case {
    const char* os;
    int method;
    bool tasks;
  };
  const Case cases[] = {{"xp", 6, true},  {"xp", 5, true},  {"nt4", 5, true},
                        {"xp", 2, false}, {"xp", 1, false}, {"nt4", 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.os) + " method " + std::to_string(c.method));
    Boot(c.os);
    // Two VDMs with tasks, one without, ordinary processes between and after them.
    winsim::SimProcess& first = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\NTVDM.EXE");
    WORD a = Pc().StartWowTask(first, "C:\\WIN16\\A.EXE");
    WORD b = Pc().StartWowTask(first, "C:\\WIN16\\B.EXE");
    DWORD between = Pc().StartPassiveProcess("C:\\Apps\\Between.exe").pid;
    winsim::SimProcess& second = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\Ntvdm.Exe");
    WORD c16 = Pc().StartWowTask(second, "C:\\WIN16\\C.EXE");
    DWORD empty = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe").pid;
    Walk walk = WalkAll(c.method);
    ASSERT_EQ(c.method, walk.method);
    std::vector<std::pair<DWORD, WORD>> ids;
    for (const Row& row : From(walk.rows, SystemCount())) ids.emplace_back(row.pid, row.task);
    std::vector<std::pair<DWORD, WORD>> expected{{first.pid, 0}};
    if (c.tasks) expected.insert(expected.end(), {{first.pid, a}, {first.pid, b}});
    expected.push_back({between, 0});
    expected.push_back({second.pid, 0});
    if (c.tasks) expected.push_back({second.pid, c16});
    expected.insert(expected.end(), {{empty, 0}, {walk.self, 0}});
    EXPECT_EQ(expected, ids);
    for (const Row& row : walk.rows) {
      if (row.task == a) {
        EXPECT_EQ("C:\\WIN16\\A.EXE", row.name);
      } else if (row.task == c16) {
        EXPECT_EQ("C:\\WIN16\\C.EXE", row.name);
      }
    }
    ExpectAllReleased(walk);
  }
}

TEST_F(EnumeratorTest, AnNtvdmFirstInTheListHasItsTasksFollowToo) {
  for (const char* os : {"nt4", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    EndAllProcesses();
    winsim::SimProcess& vdm = Pc().StartPassiveProcess("NTVDM.EXE");
    WORD sol = Pc().StartWowTask(vdm, "C:\\WINDOWS\\SOL.EXE");
    Walk walk = WalkAll();
    const std::vector<Row> expected{{"NTVDM.EXE", vdm.pid, 0},
                                    {"C:\\WINDOWS\\SOL.EXE", vdm.pid, sol},
                                    {std::string(os) == "nt4" ? kProgram : "T.exe", walk.self, 0}};
    EXPECT_EQ(expected, walk.rows);
    ExpectAllReleased(walk);
  }
}

TEST_F(EnumeratorTest, AnNtvdmPsapiCannotOpenShowsNoTasksWhileToolhelpStillFindsThem) {
  for (const char* os : {"nt4", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
    vdm.openable = false;  // another user's
    WORD sol = Pc().StartWowTask(vdm, "C:\\WINDOWS\\SOL.EXE");
    Walk walk = WalkAll();
    std::vector<Row> expected{{std::string(os) == "nt4" ? kSecurity : "ntvdm.exe", vdm.pid, 0}};
    if (std::string(os) == "xp") expected.push_back({"C:\\WINDOWS\\SOL.EXE", vdm.pid, sol});
    expected.push_back({std::string(os) == "nt4" ? kProgram : "T.exe", walk.self, 0});
    EXPECT_EQ(expected, From(walk.rows, SystemCount()));
    ExpectAllReleased(walk);
  }
}

// ---- PSAPI's id buffer

TEST_F(EnumeratorTest, PsapiGrowsItsIdBufferUntilTheWholeListFits) {
  // Around the first capacity of 256 ids and the next one of 512.
  for (size_t total : {255u, 256u, 257u, 511u, 512u, 513u, 700u}) {
    SCOPED_TRACE(total);
    Boot("nt4");
    std::vector<DWORD> pids;
    for (winsim::SimProcess* process : Pc().Processes()) pids.push_back(process->pid);
    while (pids.size() + 1 < total)
      pids.push_back(
          Pc().StartPassiveProcess("C:\\Many\\P" + std::to_string(pids.size()) + ".EXE").pid);
    Walk walk = WalkAll();
    pids.push_back(walk.self);
    std::vector<DWORD> listed;
    for (const Row& row : walk.rows) listed.push_back(row.pid);
    EXPECT_EQ(pids, listed);
    ASSERT_EQ(total, walk.rows.size());
    EXPECT_EQ("C:\\Many\\P" + std::to_string(total - 2) + ".EXE", walk.rows[total - 2].name);
    ExpectAllReleased(walk);
  }
}

// ---- processes that cannot be read

TEST_F(EnumeratorTest, ProcessesPsapiCannotReadGetNamesOfTheirOwnNeverTheEntryBefore) {
  // Each unreadable process follows one named like Tavos: a name left over from it would
  // make the unreadable one count as another copy.
  for (const char* os : {"nt4", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    std::vector<DWORD> pids;
    pids.push_back(Pc().StartPassiveProcess(kTavos).pid);
    winsim::SimProcess& locked = Pc().StartPassiveProcess("C:\\Secret\\Locked.exe");
    locked.openable = false;
    pids.push_back(locked.pid);
    pids.push_back(Pc().StartPassiveProcess(kTavos).pid);
    winsim::SimProcess& starting = Pc().StartPassiveProcess("C:\\Apps\\Starting.exe");
    starting.modulesReadable = false;
    pids.push_back(starting.pid);
    pids.push_back(Pc().StartPassiveProcess(kTavos).pid);
    winsim::SimProcess& nameless = Pc().StartPassiveProcess("C:\\Apps\\Nameless.exe");
    nameless.moduleNamesReadable = false;
    pids.push_back(nameless.pid);
    Walk walk = WalkAll(ENUM_PSAPI | ENUM_VDM);
    ASSERT_EQ(ENUM_PSAPI | ENUM_VDM, walk.method);
    const std::vector<Row> expected{{kTavos, pids[0], 0},    {kSecurity, pids[1], 0},
                                    {kTavos, pids[2], 0},    {kError, pids[3], 0},
                                    {kTavos, pids[4], 0},    {kError, pids[5], 0},
                                    {kProgram, walk.self, 0}};
    EXPECT_EQ(expected, From(walk.rows, SystemCount()));
    ExpectAllReleased(walk);
  }
}

// ---- long names

// "C:\", a folder, and "\LONG_TAVOS.EXE": `length` characters in all.
std::string PathOfLength(size_t length) {
  return "C:\\" + std::string(length - 18, 'F') + "\\LONG_TAVOS.EXE";
}

TEST_F(EnumeratorTest, NamesLongerThan255CharactersAreCutSafely) {
  ASSERT_EQ(300u, PathOfLength(300).size());
  // Toolhelp: the name keeps its last 255 characters, so it still ends in the file name.
  // Toolhelp itself keeps the first 259 of a longer path.
  Boot("98");
  std::vector<std::string> paths;
  for (size_t length : {255u, 256u, 259u, 300u})
    paths.push_back(Pc().StartPassiveProcess(PathOfLength(length)).exePath);
  Walk walk = WalkAll();
  std::vector<std::string> names;
  for (const Row& row : From(walk.rows, SystemCount())) names.push_back(row.name);
  const std::vector<std::string> cut{paths[0], paths[1].substr(1), paths[2].substr(4),
                                     paths[3].substr(0, 259).substr(4), kProgram};
  EXPECT_EQ(cut, names);
  EXPECT_EQ(0u, walk.unterminated);
  ExpectAllReleased(walk);

  // Toolhelp on XP: a bare file name too long.
  Boot("xp");
  const std::string file = std::string(249, 'N') + "TAVOS.EXE";  // 258: Toolhelp keeps it whole
  Pc().StartPassiveProcess("C:\\" + file);
  winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
  Pc().StartWowTask(vdm, PathOfLength(300));
  walk = WalkAll();
  ASSERT_EQ(SystemCount() + 4, walk.rows.size());
  EXPECT_EQ(file.substr(file.size() - 255), walk.rows[SystemCount()].name);
  // VDMDBG hands out at most 255 characters of a task's path.
  EXPECT_EQ(PathOfLength(300).substr(0, 255), walk.rows[SystemCount() + 2].name);
  ExpectAllReleased(walk);

  // PSAPI fills the 256 bytes it is given with the path's start.
  Boot("nt4");
  Pc().StartPassiveProcess(PathOfLength(300));
  walk = WalkAll();
  ASSERT_EQ(SystemCount() + 2, walk.rows.size());
  EXPECT_EQ(PathOfLength(300).substr(0, 255), walk.rows[SystemCount()].name);
  ExpectAllReleased(walk);
}

// ---- the ends of a walk

TEST_F(EnumeratorTest, AnEmptyProcessListYieldsNoEntry) {
  // No process at all, so the walk runs on the test's own thread, which is none.
  for (const char* os : {"95", "nt4", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    EndAllProcesses();
    {
      CProcessEnumerator enumerator;
      enumerator.SetMethod(ENUM_TOOLHELP | ENUM_VDM);
      CProcessEntry entry;
      EXPECT_FALSE(enumerator.ProcessFirst(&entry));
      EXPECT_FALSE(enumerator.ProcessNext(&entry));
      EXPECT_STREQ("", entry.lpszName);
      EXPECT_EQ(0u, entry.dwPID);
    }
    EXPECT_EQ(0u, Pc().Handles().OpenCount());
  }
}

TEST_F(EnumeratorTest, AWalkStoppedEarlyLeavesNothingBehind) {
  for (const char* os : {"nt4", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
    Pc().StartWowTask(vdm, "C:\\WIN16\\A.EXE");
    Pc().StartWowTask(vdm, "C:\\WIN16\\B.EXE");
    Pc().StartPassiveProcess(kTavos);
    // Stopped right after the VDM: both its tasks are still queued.
    Walk walk = WalkAll(ENUM_TOOLHELP | ENUM_VDM, SystemCount() + 1);
    ASSERT_EQ(vdm.pid, walk.rows.back().pid);
    EXPECT_EQ(2u, walk.pendingAtEnd);
    ExpectAllReleased(walk);
    // The next program's walk sees no task of this one.
    Walk next = WalkAll();
    EXPECT_EQ(SystemCount() + 5, next.rows.size());
  }
}

TEST_F(EnumeratorTest, AWalkBegunAgainStartsOverAndTheEndStaysTheEnd) {
  for (const char* os : {"nt4", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
    Pc().StartWowTask(vdm, "C:\\WIN16\\A.EXE");
    Pc().StartPassiveProcess(kTavos);
    std::vector<Row> whole, again;
    size_t mostHandles = 0, handlesLeft = 0;
    BOOL afterEnd = FALSE;
    InProgram([&] {
      DWORD self = Pc().CurrentPid();
      {
        CProcessEnumerator enumerator;
        enumerator.SetMethod(ENUM_TOOLHELP | ENUM_VDM);
        CProcessEntry entry;
        for (BOOL more = enumerator.ProcessFirst(&entry); more;
             more = enumerator.ProcessNext(&entry)) {
          whole.push_back(RowOf(entry));
          if (entry.dwPID == vdm.pid) break;  // the task is queued now
        }
        for (BOOL more = enumerator.ProcessFirst(&entry); more && again.size() < kMaxRows;
             more = enumerator.ProcessNext(&entry)) {
          again.push_back(RowOf(entry));
          mostHandles = std::max(mostHandles, Pc().Handles().OpenCount(self));
        }
        for (int i = 0; i < 3; ++i) afterEnd |= enumerator.ProcessNext(&entry);
      }
      handlesLeft = Pc().Handles().OpenCount(self);
    });
    ASSERT_EQ(SystemCount() + 1, whole.size());
    ASSERT_EQ(SystemCount() + 4, again.size());
    EXPECT_EQ(whole, std::vector<Row>(again.begin(), again.begin() + whole.size()));
    EXPECT_NE(0, again[SystemCount() + 1].task);
    EXPECT_FALSE(afterEnd);
    EXPECT_GE(1u, mostHandles) << "the first walk's snapshot stayed open";
    EXPECT_EQ(0u, handlesLeft);
  }
}

}  // namespace
}  // namespace procs_test
