#pragma once

#include <string>

class QUrl;

// The maker's web site, home of the help pages and the live data.
inline constexpr const char* kMakerHost = "www.orvalo.test";

// Hands a file path, a folder path or a web address to the desktop, which opens it with the
// user's browser, file manager or the program associated with the file. Failures show
// nothing.
void OpenInShell(const std::string& target);
// The address the desktop receives for a target: an existing path becomes a file address,
// anything else without a scheme is taken as a web address and gets "http://".
QUrl ShellUrlFor(const std::string& target);

void OpenQuickStart();
void OpenHomePage();
void OpenFaq();
