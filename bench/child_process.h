// ChildProcess: a program started with pipes on its standard input and
// output, spoken to one line at a time. Its standard error is discarded.
// Ending the object closes the input and waits for the program.
// Throws std::runtime_error when the program cannot be started or closes
// its output. Non-copyable; one thread at a time.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace korvo::bench {

class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Writes line and a newline, then reads one line back (without newline).
  const std::string& Exchange(const std::string& line);

 private:
  void Write(const std::string& text);
  const std::string& ReadLine();

  pid_t pid_ = -1;
  int in_ = -1;   // the child's standard input
  int out_ = -1;  // the child's standard output
  std::string buffer_;
  std::string line_;
};

}  // namespace korvo::bench
