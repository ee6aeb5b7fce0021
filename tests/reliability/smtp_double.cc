#include "reliability/smtp_double.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <stdexcept>

namespace korvo::reliability {
namespace {

constexpr int kPollMillis = 50;

void Say(int client, const std::string& reply) {
  const std::string line = reply + "\r\n";
  (void)!send(client, line.data(), line.size(), MSG_NOSIGNAL);
}

bool StartsWith(const std::string& line, const char* command) {
  const std::string prefix(command);
  if (line.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(line[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

SmtpDouble::SmtpDouble() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener_ >= 0) close(listener_);
    throw std::runtime_error("the SMTP double cannot listen");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

SmtpDouble::~SmtpDouble() {
  stopping_ = true;
  acceptor_.join();
  close(listener_);
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (auto& connection : connections) connection.join();
}

std::vector<std::string> SmtpDouble::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::string SmtpDouble::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void SmtpDouble::AcceptLoop() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (poll(&waiting, 1, kPollMillis) <= 0) continue;
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, client] {
      Serve(client);
      close(client);
    });
  }
}

bool SmtpDouble::WaitWhileStalled() const {
  while (stalling_) {
    if (stopping_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMillis));
  }
  return !stopping_;
}

bool SmtpDouble::ReadLine(int client, std::string& pending, std::string& line) {
  for (;;) {
    if (const auto end = pending.find("\r\n"); end != std::string::npos) {
      line = pending.substr(0, end);
      pending.erase(0, end + 2);
      return true;
    }
    pollfd waiting{client, POLLIN, 0};
    if (stopping_) return false;
    if (poll(&waiting, 1, kPollMillis) <= 0) continue;
    char buffer[4096];
    const ssize_t got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(got));
    std::lock_guard lock(mutex_);
    received_.append(buffer, static_cast<std::size_t>(got));
  }
}

// A stalled connection is held open without a word until the stall ends;
// its client has given up by then, so it is closed rather than served.
void SmtpDouble::Serve(int client) {
  if (stalling_) {
    WaitWhileStalled();
    return;
  }
  Say(client, "220 korvo-test ESMTP");
  std::string pending, line;
  while (ReadLine(client, pending, line)) {
    if (!WaitWhileStalled()) return;
    if (StartsWith(line, "EHLO")) {
      Say(client, "250-korvo-test");
      Say(client, "250 AUTH PLAIN");
    } else if (StartsWith(line, "AUTH PLAIN")) {
      if (line.size() <= 11) {
        Say(client, "334 ");
        if (!ReadLine(client, pending, line)) return;
      }
      Say(client, "235 2.7.0 Authentication successful");
    } else if (StartsWith(line, "DATA")) {
      Say(client, "354 End data with <CR><LF>.<CR><LF>");
      std::string message;
      while (ReadLine(client, pending, line) && line != ".") message += line + "\r\n";
      if (!WaitWhileStalled()) return;
      {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
      }
      Say(client, "250 2.0.0 Ok: queued");
    } else if (StartsWith(line, "QUIT")) {
      Say(client, "221 2.0.0 Bye");
      return;
    } else {
      Say(client, "250 2.0.0 Ok");
    }
  }
}

}  // namespace korvo::reliability
