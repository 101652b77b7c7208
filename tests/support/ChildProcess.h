#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace varnetta::testing {

// A program run with its standard output read through a pipe, its standard
// error written to a file, standard input empty, and the environment of this
// process with the given NAME=value entries put in place of its own (an entry
// NAME alone removes the variable). Every wait is bounded; a child still
// running at the end is killed.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, const std::filesystem::path& errorFile) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    output_ = pipeEnds[0];

    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp;
    for (const std::string& own : environment) {
      if (own.find('=') != std::string::npos) envp.push_back(own);
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (!Overridden(*entry, environment)) envp.emplace_back(*entry);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::vector<char*> argvPointers = Pointers(argv);
    const std::vector<char*> envpPointers = Pointers(envp);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(), envpPointers.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
  }
  ~ChildProcess() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) ::close(output_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }

  // Reads the output until it holds `text`; false when the limit passed or
  // the output ended first.
  bool WaitForOutput(std::string_view text, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (output.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome()) return false;
    }
    return true;
  }

  void Signal(int signalNumber) const {
    if (pid_ > 0) ::kill(pid_, signalNumber);
  }

  // Stops reading the output, as a reader that goes away does: the child's
  // further writes to it fail.
  void CloseOutput() {
    if (output_ >= 0) ::close(output_);
    output_ = -1;
  }

  // Reads the output to its end and reaps the child: its exit status, or
  // minus the signal that ended it. None when it was still running at the
  // limit; it is killed then.
  std::optional<int> Wait(std::chrono::seconds limit) {
    if (pid_ <= 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadSome()) {
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    }
    while (!status_) {
      int raw = 0;
      const pid_t reaped = ::waitpid(pid_, &raw, WNOHANG);
      if (reaped == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
      } else if (std::chrono::steady_clock::now() > deadline) {
        return std::nullopt;
      } else {
        ::usleep(10000);
      }
    }
    return status_;
  }

  // Everything read from the child's standard output so far.
  std::string output;

 private:
  static bool Overridden(std::string_view entry, const std::vector<std::string>& environment) {
    const std::string_view name = entry.substr(0, entry.find('='));
    for (const std::string& own : environment) {
      if (std::string_view(own).substr(0, own.find('=')) == name) return true;
    }
    return false;
  }

  static std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
  }

  // Waits up to 100 ms for output and appends what came; false at its end.
  bool ReadSome() {
    if (output_ < 0) return false;
    pollfd ready{output_, POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) return true;
    char buffer[4096];
    const ssize_t count = ::read(output_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) return true;
    if (count <= 0) return false;
    output.append(buffer, static_cast<std::size_t>(count));
    return true;
  }

  pid_t pid_ = -1;
  int output_ = -1;
  std::optional<int> status_;
};

}  // namespace varnetta::testing
