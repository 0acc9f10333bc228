#include "net/uAnswers.h"

#include <curl/curl.h>

#include <charconv>
#include <string_view>

#include <QCoreApplication>

#include "core/uTStringUtils.h"

namespace {
// A whole number of ASCII digits that fits in 63 bits; false otherwise.
bool ParseCount(std::string_view text, int64_t& value) {
    if (text.empty() || text.size() > 18)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}
} // namespace

// In the window's language; orvalo-cli installs none, and its scripts read English.
std::string ErrorReason(int errorCode) {
    switch (errorCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QCoreApplication::translate("Reasons", "host not found").toStdString();
    case CURLE_COULDNT_CONNECT:
        return QCoreApplication::translate("Reasons", "connection refused").toStdString();
    case CURLE_OPERATION_TIMEDOUT:
        return QCoreApplication::translate("Reasons", "timed out").toStdString();
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QCoreApplication::translate("Reasons", "connection lost").toStdString();
    case CURLE_TOO_MANY_REDIRECTS:
        return QCoreApplication::translate("Reasons", "too many redirects").toStdString();
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QCoreApplication::translate("Reasons", "answer not understood").toStdString();
    case CURLE_ABORTED_BY_CALLBACK:
        return QCoreApplication::translate("Reasons", "cancelled").toStdString();
    case kErrorHeaderNotFound:
        return QCoreApplication::translate("Reasons", "no file size given").toStdString();
    case kErrorBadAddress:
        return QCoreApplication::translate("Reasons", "bad address").toStdString();
    case kErrorBadRedirect:
        return QCoreApplication::translate("Reasons", "redirect refused").toStdString();
    case kErrorCertificateUntrusted:
        return QCoreApplication::translate("Reasons", "certificate not trusted").toStdString();
    case kErrorCertificateOtherHost:
        return QCoreApplication::translate("Reasons", "certificate for another host").toStdString();
    case kErrorCertificateExpired:
        return QCoreApplication::translate("Reasons", "expired").toStdString();
    case kErrorPrivateAddress:
        return QCoreApplication::translate("Reasons", "private address, not checked").toStdString();
    case kErrorCertificateNotYetValid:
        return QCoreApplication::translate("Reasons", "certificate not yet valid").toStdString();
    case kErrorTooManyFiles:
        return QCoreApplication::translate("Reasons", "too many open files").toStdString();
    case kErrorAnswerNotUnderstood:
    case CURLE_OUT_OF_MEMORY: // what libcurl says of a header line or a Location too long to keep
        return QCoreApplication::translate("Reasons", "answer not understood").toStdString();
    case CURLE_SSL_CONNECT_ERROR:
        return QCoreApplication::translate("Reasons", "secure connection failed").toStdString();
    case CURLE_SSL_CACERT_BADFILE:
        return QCoreApplication::translate("Reasons", "certificate authorities unreadable")
            .toStdString();
    default:
        break;
    }
    if (errorCode >= kErrorProxyRefused && errorCode < kErrorProxyRefused + 600)
        return errorCode == kErrorProxyRefused
                   ? QCoreApplication::translate("Reasons", "proxy refused: answer not understood")
                         .toStdString()
                   : QCoreApplication::translate("Reasons", "proxy refused: HTTP %1")
                         .arg(errorCode - kErrorProxyRefused)
                         .toStdString();
    // libcurl's own words are no words for the window.
    return QCoreApplication::translate("Reasons", "request failed (%1)")
        .arg(errorCode)
        .toStdString();
}

bool LostConnection(int errorCode) {
    return errorCode == CURLE_PARTIAL_FILE || errorCode == CURLE_RECV_ERROR ||
           errorCode == CURLE_GOT_NOTHING;
}

bool TimedOut(int errorCode) {
    return errorCode == CURLE_OPERATION_TIMEDOUT;
}

std::string StatusReason(int statusCode) {
    return "HTTP " + std::to_string(statusCode);
}

int64_t ContentLengthValue(const std::optional<std::string>& header) {
    if (!header)
        return 0;
    int64_t value = 0;
    const char* end = header->data() + header->size();
    const auto [rest, error] = std::from_chars(header->data(), end, value);
    return (error == std::errc() && rest == end && value >= 0) ? value : -1;
}

bool ParseContentRange(const std::string& header, TContentRange& range) {
    const std::string_view text(header);
    constexpr std::string_view unit = "bytes ";
    if (!StartsWithIgnoringCase(text, unit))
        return false;
    const std::string_view rest = text.substr(unit.size());
    const size_t dash = rest.find('-');
    const size_t slash = rest.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return false;
    TContentRange parsed;
    if (!ParseCount(rest.substr(0, dash), parsed.First) ||
        !ParseCount(rest.substr(dash + 1, slash - dash - 1), parsed.Last) ||
        !ParseCount(rest.substr(slash + 1), parsed.Total))
        return false;
    if (parsed.Last < parsed.First || parsed.Last >= parsed.Total)
        return false;
    range = parsed;
    return true;
}

std::string ResumeValidator(const std::optional<std::string>& eTag,
                            const std::optional<std::string>& lastModified) {
    if (eTag && !eTag->empty() && !StartsWithIgnoringCase(*eTag, "W/"))
        return *eTag;
    return lastModified.value_or(std::string());
}
