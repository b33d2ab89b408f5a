#include "Processes.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace morrowfane::testing {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPollInterval{5};
constexpr milliseconds kStopWait{3000};

}  // namespace

bool WaitFor(const std::function<bool()>& condition, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return condition();
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

bool ProgramOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((std::filesystem::path(folder) / program).c_str(), X_OK) == 0) {
      return true;
    }
  }
  return false;
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& outputPath) {
  // Writing to a child that has died must fail its Write(), not kill the test with SIGPIPE before
  // its servers are stopped.
  std::signal(SIGPIPE, SIG_IGN);
  int input[2] = {-1, -1};
  if (pipe2(input, O_CLOEXEC) != 0) {
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  std::vector<char*> args;
  for (const auto& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
    pid_ = pid;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  input_ = input[1];
}

ChildProcess::~ChildProcess() {
  if (input_ >= 0) {
    close(input_);
  }
  Stop();
}

bool ChildProcess::Exited() {
  if (pid_ <= 0) {
    return true;
  }
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    status_ = status;
    return true;
  }
  return false;
}

void ChildProcess::Stop() {
  if (pid_ <= 0) {
    return;
  }
  kill(pid_, SIGCONT);
  kill(pid_, SIGTERM);
  if (!WaitFor([this] { return Exited(); }, kStopWait)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
    pid_ = -1;
  }
}

void ChildProcess::Signal(int signal) {
  if (pid_ > 0) {
    kill(pid_, signal);
  }
}

bool ChildProcess::Write(const std::string& line) {
  const std::string text = line + "\n";
  return input_ >= 0 &&
         write(input_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

}  // namespace morrowfane::testing
