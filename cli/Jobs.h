// A command's work, decided once before any track is read: the file each
// input is read from and the file its result goes to. The file system is
// looked at here, once per question (is -o a folder, is that folder there,
// does a name stand for the same file as another); the run then only does
// the jobs.
#pragma once

#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace cli {

struct Job {
  std::string input;    // a path, or kStandardStream
  std::string target;   // a path (a track's ends in ".nltrack"), kStandardStream, or empty for info
  std::string refusal;  // when set, the job is not done: "NAME: why", known before the run
};

struct JobList {
  std::vector<Job> jobs;
  std::string usageError;  // the command cannot be done as given (exit status 2)
  std::string refusal;     // no job can be done: "NAME: why" (exit status 1)
};

JobList PlanJobs(const CommandLine& command);

// How a path shows in messages: standard input and output by those words.
std::string ShownInput(const std::string& input);
std::string ShownTarget(const std::string& target);

}  // namespace cli
