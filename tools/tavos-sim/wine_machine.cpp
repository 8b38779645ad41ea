// The machine under a Wine run: language, and what a run cannot change.
#include "tools/tavos-sim/wine_machine.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace tavos_scenario {

namespace {

// Wine turns the locale's name into a Windows locale name ("de_DE" is "de-DE") and reports
// that locale's default language; each pair was checked under Wine 8.0.
struct LocaleRow {
  unsigned id;
  const char* locale;
};
const LocaleRow kLocales[] = {
    {0x0409, "en_US"}, {0x0809, "en_GB"}, {0x0407, "de_DE"}, {0x0C07, "de_AT"}, {0x0807, "de_CH"},
    {0x040C, "fr_FR"}, {0x0410, "it_IT"}, {0x0C0A, "es_ES"}, {0x0413, "nl_NL"}, {0x0416, "pt_BR"},
    {0x0816, "pt_PT"}, {0x041D, "sv_SE"}, {0x0406, "da_DK"}, {0x0414, "nb_NO"}, {0x040B, "fi_FI"},
    {0x0415, "pl_PL"}, {0x0405, "cs_CZ"}, {0x040E, "hu_HU"}, {0x0419, "ru_RU"}, {0x0408, "el_GR"},
    {0x041F, "tr_TR"}, {0x0411, "ja_JP"}, {0x0412, "ko_KR"}, {0x0804, "zh_CN"}, {0x0404, "zh_TW"},
};

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
  return text;
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string WineLocaleFor(unsigned languageId, std::string* why) {
  for (const LocaleRow& row : kLocales)
    if (row.id == languageId) return row.locale;
  *why = "lang " + Hex4(languageId) +
         ": Wine takes the system language from a Linux locale, and no locale gives this id "
         "(a locale gives its language's default id only: es_ES gives 0x0C0A, never 0x040A; "
         "neutral ids such as 0x0000 or 0x0400 are no locale's)";
  return "";
}

unsigned WineRunLanguage(const std::vector<Statement>& statements) {
  unsigned language = kDefaultLanguage;
  for (const Statement& s : statements) {
    if (s.op == Op::Start) break;
    if (s.op == Op::Lang) language = unsigned(s.number);
  }
  return language;
}

bool CheckWineMachine(const std::vector<Statement>& statements, ScenarioError* error) {
  const unsigned runLanguage = WineRunLanguage(statements);
  bool started = false, running = false;
  for (const Statement& s : statements) {
    if (s.op == Op::Start) started = running = true;
    if (s.op == Op::Exit) running = false;
    if (s.op == Op::Lang && started && s.number != runLanguage) {
      *error = ScenarioError{
          s.line,
          "lang after start: Wine fixes a program's language from the Linux locale it starts "
          "with, and the programs of a run inherit the scenario host's, so the language cannot "
          "change within a run"};
      return false;
    }
    // The host refuses it as well; refused here, the file is not run at all.
    if (s.op == Op::Driver && !s.driverLoaded && running) {
      *error = ScenarioError{s.line,
                             "driver absent while Tavos runs: Wine's driver host unloads portio "
                             "at once under Tavos's open handle, where Windows waits until no "
                             "handle is open"};
      return false;
    }
  }
  return true;
}

std::string PrepareWineLocale(const std::string& locale, std::string* why) {
  const std::string name = locale + ".UTF-8";
  const char* folder = std::getenv("LOCPATH");
  if (folder != nullptr && *folder != '\0' && !IsFolder(std::string(folder) + "/" + name)) {
    // Debian installs only C and POSIX; localedef builds this one into the session's folder.
    const std::string target = std::string(folder) + "/" + name;
    const char* argv[] = {"localedef", "-i",           locale.c_str(), "-f",
                          "UTF-8",     target.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int status = -1;
    if (posix_spawnp(&pid, "localedef", &actions, nullptr, const_cast<char**>(argv), environ) == 0)
      waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (!IsFolder(target)) {
      *why = "localedef could not build the locale " + name + " into " + folder +
             " (Debian's locales package has it)";
      return "";
    }
  }
  return "LC_ALL=" + name;
}

}  // namespace tavos_scenario
