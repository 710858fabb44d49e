// A stand-in for a skin's dialogs: the core's dialog rules around a runner
// that records each request and answers with the next scripted path. Shared
// by the controller and the Qt window tests.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "gui/core/FileDialogs.h"

namespace gui {

class ScriptedDialogs : public RunnerFileDialogs {
 public:
  ScriptedDialogs() : RunnerFileDialogs([this](const FileDialogRequest& request) {
    requests_.push_back(request);
    return NextOutcome(request);
  }) {}

  // The next dialog confirms `path`; std::nullopt (or no answer left) cancels.
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  const std::vector<FileDialogRequest>& Requests() const { return requests_; }

 private:
  FileDialogOutcome NextOutcome(const FileDialogRequest& request) {
    FileDialogOutcome outcome;  // cancelled
    if (!answers_.empty() && answers_.front()) {
      const std::string& path = *answers_.front();
      outcome = {true, path, std::filesystem::path(path).filename().string(), request.flags, 1};
    }
    if (!answers_.empty()) answers_.pop_front();
    return outcome;
  }

  std::deque<std::optional<std::string>> answers_;
  std::vector<FileDialogRequest> requests_;
};

}  // namespace gui
