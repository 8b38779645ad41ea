// The folder behind drive C:, made and removed with the run.
#include "sim/machine/drive_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace tavos_sim {

namespace fs = std::filesystem;

DriveFolder::~DriveFolder() {
  if (remove_ && !path_.empty()) {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
}

bool DriveFolder::Create(const std::string& keep, std::string* error) {
  std::error_code ec;
  if (!keep.empty()) {
    fs::create_directories(keep, ec);
    if (ec || !fs::is_directory(keep)) {
      *error = "cannot create the folder " + keep;
      return false;
    }
    if (!fs::is_empty(keep, ec) || ec) {
      *error = "the folder " + keep + " is not empty (a kept drive C: must start empty)";
      return false;
    }
    path_ = fs::absolute(keep, ec).string();
    remove_ = false;
    return true;
  }
  std::string pattern = (fs::temp_directory_path(ec) / "tavos-sim-XXXXXX").string();
  if (ec || mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot create a temporary folder for drive C:";
    return false;
  }
  path_ = pattern;
  remove_ = true;
  return true;
}

}  // namespace tavos_sim
