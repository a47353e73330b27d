// One HTTP GET, bounded in every direction: connect and total timeouts, a cap on the body,
// a limited number of redirects, and HTTPS only (plain HTTP just for 127.0.0.1, ::1 and
// localhost, which never leave the machine). Every redirect target passes the same rule.
//
//   HttpClient client({ .userAgent = "Lopewell/1.0" });
//   ErrorOr<HttpResponse> response = client.get("https://example.org/appcast.xml", token);
//   if (!response) show(response.error().message);   // says why, in words for the user
//
// Error codes are errno values naming the kind of failure: EINVAL (not a web address), EPERM
// (plain HTTP to another host), EHOSTUNREACH (name not found), ECONNREFUSED, ETIMEDOUT, EPROTO
// (TLS), ELOOP (too many redirects), EFBIG (body over the cap), EBADMSG (a status other than
// 2xx), ECANCELED (the stop token), EIO (anything else).
//
// THREAD-SAFETY: get() may run on several threads at once; it blocks its own.
#pragma once

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>

#include "core/base/error_or.h"
#include "core/concurrency/clock.h"

namespace lopewell {

struct HttpRequestOptions {
    Duration connectTimeout = seconds(10);
    Duration totalTimeout = seconds(30);  // all redirects included
    size_t maxBodyBytes = 1024 * 1024;
    int maxRedirects = 5;
    std::string userAgent;
};

struct HttpResponse {
    long status = 0;  // always 2xx
    std::string body;
    std::string url;  // after redirects
};

class HttpClient {
public:
    explicit HttpClient(HttpRequestOptions options = {}) : m_options(std::move(options)) {}

    const HttpRequestOptions& options() const { return m_options; }

    // Stopping `token` ends the transfer at once with ECANCELED.
    ErrorOr<HttpResponse> get(std::string_view url, std::stop_token token = {}) const;

private:
    HttpRequestOptions m_options;
};

}  // namespace lopewell
