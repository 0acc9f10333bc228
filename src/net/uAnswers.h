#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What an answer's headers mean to the program, and the words for why a request failed.

// Error codes handed to owners: libcurl's codes, plus these of our own.
inline constexpr int kErrorHeaderNotFound = 1001; // the answer had no Content-Length
inline constexpr int kErrorBadAddress = 1002;     // the host cannot stand in an address
inline constexpr int kErrorBadRedirect = 1003;    // a redirect the rules refuse
// A certificate refused, by what is wrong with it.
inline constexpr int kErrorCertificateUntrusted = 1004; // no trusted authority vouches for it
inline constexpr int kErrorCertificateOtherHost = 1005; // it names another host
inline constexpr int kErrorCertificateExpired = 1006;
inline constexpr int kErrorPrivateAddress = 1007; // a PublicOnly request led to the local network
inline constexpr int kErrorCertificateNotYetValid = 1008;
inline constexpr int kErrorAnswerNotUnderstood =
    1009;                                       // a header no server means (a length of "1e3")
inline constexpr int kErrorTooManyFiles = 1010; // no descriptor left for the connection
// A proxy refused to carry the request: this plus its status (0: its answer was no HTTP).
inline constexpr int kErrorProxyRefused = 2000;

// Why a request failed, in the words the window shows: "timed out", "host not found",
// "connection refused" ... for an error code; "HTTP 404" for an answer's status.
std::string ErrorReason(int errorCode);
std::string StatusReason(int statusCode);
// Whether the error is a connection that ended before the answer was whole.
bool LostConnection(int errorCode);
// Whether the request ran out of time: it stalled, or took longer than it may.
bool TimedOut(int errorCode);

// The value of a Content-Length header as the owners see it: the number, 0 when the header
// is absent, -1 when its text is no whole number a server would send ("1e3", "+100", one
// that overflows).
int64_t ContentLengthValue(const std::optional<std::string>& header);

// A Content-Range header of a partial answer, "bytes FIRST-LAST/TOTAL"; false for anything
// else (an unknown total "*", a unit other than bytes, LAST before FIRST or past TOTAL).
struct TContentRange {
    int64_t First = 0;
    int64_t Last = 0;
    int64_t Total = 0;
};
bool ParseContentRange(const std::string& header, TContentRange& range);
// What names this version of a file in a later request's If-Range: the ETag unless it is
// weak (a weak one may not be used there), else the Last-Modified date; empty without either.
std::string ResumeValidator(const std::optional<std::string>& eTag,
                            const std::optional<std::string>& lastModified);
