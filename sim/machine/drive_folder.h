// The host folder that holds a simulated PC's drive C: for one run.
#pragma once

#include <string>

namespace tavos_sim {

// A fresh temporary folder removed at the end, or a folder the user keeps (created if
// missing; it must be empty, so that no earlier run leaks into this one).
class DriveFolder {
 public:
  DriveFolder() = default;
  ~DriveFolder();
  DriveFolder(const DriveFolder&) = delete;
  DriveFolder& operator=(const DriveFolder&) = delete;
  // False with `*error` when the folder cannot be made or `keep` is not empty.
  bool Create(const std::string& keep, std::string* error);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool remove_ = false;
};

}  // namespace tavos_sim
