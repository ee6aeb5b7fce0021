// SmtpDouble: a mail server on a free port of 127.0.0.1 whose silence the
// test controls. While it stalls it accepts connections and answers nothing
// on them; otherwise it speaks just enough SMTP to take a message (EHLO,
// AUTH PLAIN, MAIL, RCPT, DATA, QUIT) and counts the messages it took.
// Each connection is served by a thread of its own; the destructor ends
// them all.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvo::reliability {

class SmtpDouble {
 public:
  SmtpDouble();
  ~SmtpDouble();
  SmtpDouble(const SmtpDouble&) = delete;
  SmtpDouble& operator=(const SmtpDouble&) = delete;

  int Port() const { return port_; }
  // From now on, new and open connections get no answer until Answer().
  void Stall() { stalling_ = true; }
  void Answer() { stalling_ = false; }
  // The messages taken so far, as received after DATA.
  std::vector<std::string> Messages() const;
  // Everything clients sent, for checks that a text never crossed it.
  std::string Received() const;

 private:
  void AcceptLoop();
  void Serve(int client);
  // Waits while the double stalls; false when it is shutting down.
  bool WaitWhileStalled() const;
  // The next line from the client (without CR LF); false when it closed.
  bool ReadLine(int client, std::string& pending, std::string& line);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stalling_{false};
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  std::string received_;
  std::vector<std::thread> connections_;  // under mutex_
  std::thread acceptor_;
};

}  // namespace korvo::reliability
