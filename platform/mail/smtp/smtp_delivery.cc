#include "platform/mail/smtp/smtp_delivery.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/mail/mail_errors.h"

namespace korvo::mail {

namespace {

struct EasyCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void EnsureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The message handed to curl piece by piece.
struct Upload {
  std::string_view rest;
};

std::size_t ReadMessage(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto* upload = static_cast<Upload*>(user);
  const std::size_t chunk = std::min(size * count, upload->rest.size());
  std::memcpy(buffer, upload->rest.data(), chunk);
  upload->rest.remove_prefix(chunk);
  return chunk;
}

// The server's last refusal, "550 5.1.1 ..." (the lines of a multi-line
// reply joined by blanks); a later reply such as the one to QUIT does not
// replace it. Only what the server sends is kept: the commands curl sends,
// the authentication among them, never are.
struct ServerReplies {
  std::string current;
  std::string refusal;
  bool complete = true;

  void Add(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (complete) current.clear();
    if (!current.empty()) current += ' ';
    current += line;
    complete = line.size() < 4 || line[3] != '-';
    if (complete && !current.empty() && (current[0] == '4' || current[0] == '5')) refusal = current;
  }
};

int OnTrace(CURL* /*curl*/, curl_infotype type, char* data, std::size_t size, void* user) {
  if (type != CURLINFO_HEADER_IN) return 0;
  auto* replies = static_cast<ServerReplies*>(user);
  std::string_view text(data, size);
  while (!text.empty()) {
    const auto end = text.find('\n');
    replies->Add(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return 0;
}

std::string ServerName(const SmtpSettings& smtp) {
  const bool ipv6 = smtp.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + smtp.host + "]" : smtp.host) + ":" + std::to_string(smtp.port);
}

std::string Url(const SmtpSettings& smtp) {
  return (smtp.security == SmtpSecurity::Tls ? "smtps://" : "smtp://") + ServerName(smtp);
}

class Delivery {
 public:
  Delivery(const SmtpSettings& smtp, const Envelope& envelope, std::string_view message)
      : smtp_(smtp), curl_(curl_easy_init()), upload_{message} {
    if (!curl_) Fail("the mail library could not start a transfer");
    recipients_.reset(curl_slist_append(nullptr, ("<" + envelope.recipient + ">").c_str()));
    sender_ = "<" + envelope.sender + ">";
    url_ = Url(smtp);
    const auto timeout = static_cast<long>(smtp.timeout.count()) * 1000L;
    Set(CURLOPT_URL, url_.c_str());
    Set(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    Set(CURLOPT_MAIL_FROM, sender_.c_str());
    Set(CURLOPT_MAIL_RCPT, recipients_.get());
    Set(CURLOPT_UPLOAD, 1L);
    Set(CURLOPT_READFUNCTION, &ReadMessage);
    Set(CURLOPT_READDATA, &upload_);
    Set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    Set(CURLOPT_TIMEOUT_MS, timeout);
    Set(CURLOPT_CONNECTTIMEOUT_MS, timeout);
    Set(CURLOPT_NOSIGNAL, 1L);
    Set(CURLOPT_ERRORBUFFER, error_);
    Set(CURLOPT_VERBOSE, 1L);
    Set(CURLOPT_DEBUGFUNCTION, &OnTrace);
    Set(CURLOPT_DEBUGDATA, &replies_);
    if (smtp.security == SmtpSecurity::StartTls) Set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!smtp.caFile.empty()) Set(CURLOPT_CAINFO, smtp.caFile.c_str());
    if (!smtp.user.empty()) {
      Set(CURLOPT_USERNAME, smtp.user.c_str());
      Set(CURLOPT_PASSWORD, smtp.password.c_str());
    }
  }

  void Run() {
    const CURLcode result = curl_easy_perform(curl_.get());
    if (result == CURLE_OK) return;
    if (result == CURLE_OPERATION_TIMEDOUT) {
      Fail("it did not complete the delivery within " + std::to_string(smtp_.timeout.count()) +
           " seconds");
    }
    if (!replies_.refusal.empty()) Fail("it refused the message: " + Printable(replies_.refusal));
    Fail(std::string(curl_easy_strerror(result)) + (error_[0] != '\0' ? ": " + Printable(error_) : ""));
  }

 private:
  template <class Value>
  void Set(CURLoption option, Value value) {
    if (curl_easy_setopt(curl_.get(), option, value) != CURLE_OK) {
      Fail("the mail library does not support a required option");
    }
  }

  [[noreturn]] void Fail(const std::string& why) const {
    RaiseMailError(errnum::kSmtpFailed, "The message could not be delivered to the mail server " +
                                            ServerName(smtp_) + ": " + why);
  }

  const SmtpSettings& smtp_;
  std::unique_ptr<CURL, EasyCleanup> curl_;
  std::unique_ptr<curl_slist, ListFree> recipients_;
  std::string sender_;
  std::string url_;
  Upload upload_;
  ServerReplies replies_;
  char error_[CURL_ERROR_SIZE] = {};
};

}  // namespace

void DeliverBySmtp(const SmtpSettings& smtp, const Envelope& envelope, std::string_view message) {
  EnsureCurl();
  Delivery(smtp, envelope, message).Run();
}

}  // namespace korvo::mail
