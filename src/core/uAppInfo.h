#pragma once

// The maker's web site: home of the help pages and of the live data.
inline constexpr const char* kMakerHost = "www.orvalo.test";
