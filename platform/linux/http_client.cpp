#include "platform/http_client.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include <curl/curl.h>

namespace lopewell {

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct UrlDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using Multi = std::unique_ptr<CURLM, MultiDeleter>;
using Url = std::unique_ptr<CURLU, UrlDeleter>;

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string urlPart(CURLU* url, CURLUPart part)
{
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || !text)
        return {};
    std::string result(text);
    curl_free(text);
    return result;
}

struct Address {
    std::string host;
};

// curl's own parser decides the host, so "http://127.0.0.1@example.org/" is example.org here
// exactly as it would be on the wire.
ErrorOr<Address> checkAddress(std::string_view text)
{
    Url url(curl_url());
    const std::string copy(text);
    if (!url || copy.empty() || curl_url_set(url.get(), CURLUPART_URL, copy.c_str(), 0) != CURLUE_OK)
        return Error { EINVAL, "“" + copy + "” is not a valid web address." };
    const std::string scheme = urlPart(url.get(), CURLUPART_SCHEME);
    Address address { urlPart(url.get(), CURLUPART_HOST) };
    if ((scheme != "https" && scheme != "http") || address.host.empty())
        return Error { EINVAL, "“" + copy + "” is not a web address." };
    std::string host = address.host;
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const bool loopback = host == "127.0.0.1" || host == "[::1]" || host == "localhost";
    if (scheme == "http" && !loopback)
        return Error { EPERM, "Refusing to connect to " + address.host + " without encryption (HTTPS is required)." };
    return address;
}

struct Transfer {
    std::string body;
    size_t cap = 0;
    bool overCap = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* context)
{
    auto* transfer = static_cast<Transfer*>(context);
    const size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->cap) {
        transfer->overCap = true;
        return 0;  // makes curl fail the transfer with CURLE_WRITE_ERROR
    }
    transfer->body.append(data, bytes);
    return bytes;
}

Error transferError(CURLcode code, const std::string& host, const char* detail, size_t cap)
{
    const std::string reason = detail[0] ? std::string(detail) : std::string(curl_easy_strerror(code));
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return { EHOSTUNREACH, "Couldn't find the server " + host + ". Check your internet connection." };
    case CURLE_COULDNT_CONNECT:
        return { ECONNREFUSED, "Couldn't connect to " + host + "." };
    case CURLE_OPERATION_TIMEDOUT:
        return { ETIMEDOUT, host + " did not respond in time." };
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return { EPROTO, "Couldn't make a secure connection to " + host + ": " + reason };
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_WRITE_ERROR:
        return { EFBIG, "The response from " + host + " is larger than " + std::to_string(cap / 1024) + " KB." };
    default:
        return { EIO, "The request to " + host + " failed: " + reason };
    }
}

long milliseconds(Duration duration)
{
    return long(std::max<int64_t>(1, std::chrono::duration_cast<std::chrono::milliseconds>(duration).count()));
}

}  // namespace

ErrorOr<HttpResponse> HttpClient::get(std::string_view requestedUrl, std::stop_token token) const
{
    initialiseCurlOnce();
    const auto deadline = std::chrono::steady_clock::now() + m_options.totalTimeout;
    std::string url(requestedUrl);

    for (int redirects = 0;; ++redirects) {
        ErrorOr<Address> address = checkAddress(url);
        if (!address)
            return address.error();
        const std::string& host = address.value().host;

        const Duration remaining = deadline - std::chrono::steady_clock::now();
        if (remaining <= Duration::zero())
            return Error { ETIMEDOUT, host + " did not respond in time." };

        Easy easy(curl_easy_init());
        Multi multi(curl_multi_init());
        if (!easy || !multi)
            return Error { ENOMEM, "Couldn't start a network request." };

        Transfer transfer;
        transfer.cap = m_options.maxBodyBytes;
        char detail[CURL_ERROR_SIZE] = {};
        CURL* handle = easy.get();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);  // each hop is checked above
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        // Cancelling must not wait for a name lookup that hangs.
        curl_easy_setopt(handle, CURLOPT_QUICK_EXIT, 1L);
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(m_options.connectTimeout));
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, milliseconds(remaining));
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_options.maxBodyBytes));
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, detail);
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "127.0.0.1,::1,localhost");
        if (!m_options.userAgent.empty())
            curl_easy_setopt(handle, CURLOPT_USERAGENT, m_options.userAgent.c_str());

        curl_multi_add_handle(multi.get(), handle);
        std::optional<CURLcode> result;
        {
            // Wakes the poll below the moment the owner stops the token.
            std::stop_callback wake(token, [&multi] { curl_multi_wakeup(multi.get()); });
            while (!result) {
                if (token.stop_requested()) {
                    curl_multi_remove_handle(multi.get(), handle);
                    return Error { ECANCELED, "The request was cancelled." };
                }
                int running = 0;
                if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
                    result = CURLE_FAILED_INIT;
                int queued = 0;
                while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
                    if (message->msg == CURLMSG_DONE)
                        result = message->data.result;
                }
                if (!result && running == 0)
                    result = CURLE_RECV_ERROR;
                if (!result)
                    curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
            }
        }
        curl_multi_remove_handle(multi.get(), handle);

        if (transfer.overCap)
            return transferError(CURLE_FILESIZE_EXCEEDED, host, "", m_options.maxBodyBytes);
        if (*result != CURLE_OK)
            return transferError(*result, host, detail, m_options.maxBodyBytes);

        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        char* location = nullptr;
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
        if (status >= 300 && status < 400 && location) {
            if (redirects >= m_options.maxRedirects)
                return Error { ELOOP, "Too many redirects from " + host + "." };
            url = location;
            continue;
        }
        if (status < 200 || status >= 300)
            return Error { EBADMSG, host + " answered with HTTP status " + std::to_string(status) + "." };
        return HttpResponse { status, std::move(transfer.body), url };
    }
}

}  // namespace lopewell
