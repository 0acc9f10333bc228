#pragma once

// The user agent every request of the program sends: search sites answer a browser.
inline constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.0; Windows 98; DigExt)";
