#include "bench/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace korvo::bench {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);
  in_ = toChild[1];
  out_ = fromChild[0];
  if (rc != 0) {
    close(in_);
    close(out_);
    throw std::runtime_error("cannot start " + argv.front());
  }
}

ChildProcess::~ChildProcess() {
  close(in_);
  close(out_);
  int status = 0;
  waitpid(pid_, &status, 0);
}

const std::string& ChildProcess::Exchange(const std::string& line) {
  Write(line + "\n");
  return ReadLine();
}

void ChildProcess::Write(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(in_, text.data() + done, text.size() - done);
    if (n <= 0) throw std::runtime_error("the program closed its input");
    done += static_cast<std::size_t>(n);
  }
}

const std::string& ChildProcess::ReadLine() {
  for (;;) {
    if (auto end = buffer_.find('\n'); end != std::string::npos) {
      line_.assign(buffer_, 0, end);
      buffer_.erase(0, end + 1);
      return line_;
    }
    char chunk[4096];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) throw std::runtime_error("the program closed its output");
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace korvo::bench
