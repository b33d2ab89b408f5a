#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace morrowfane::testing {

// Polls `condition` until it holds or `timeout` has passed; returns its last value.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// True if `program` can be found on PATH.
bool ProgramOnPath(const std::string& program);

// All of the file at `path` as it is now (a child's output, say); empty if it cannot be read.
std::string ReadText(const std::string& path);

// A child process whose stdout and stderr go to `outputPath`; its standard input is a pipe that
// Write() feeds, closed on destruction. Destruction ends it (SIGTERM, then SIGKILL) and reaps it.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::string& outputPath = "/dev/null");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  // The process id while it runs, else -1.
  pid_t Pid() const { return pid_; }
  // True once the process has ended (it is then reaped).
  bool Exited();
  // The wait status of the ended process (see waitpid), or -1 while it runs.
  int Status() const { return status_; }
  void Stop();
  // Sends `signal` to the running process.
  void Signal(int signal);
  // Writes `line` and a newline to the process's standard input; false if it could not.
  bool Write(const std::string& line);

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  int input_ = -1;  // the pipe's writing end
};

}  // namespace morrowfane::testing
