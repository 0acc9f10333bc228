#pragma once

#include <string>

#include "core/uAppInfo.h"

class QUrl;

// Hands a file path, a folder path or a web address to the desktop, which opens it with the
// user's browser, file manager or the program associated with the file. Failures show
// nothing.
void OpenInShell(const std::string& target);
// The address the desktop receives for a target: an absolute or existing path becomes a file
// address; an address with a scheme stays as it is; one that starts with a host name gets
// "http://". Anything else (a relative path to nothing) gives an empty address: nothing opens.
QUrl ShellUrlFor(const std::string& target);
// Opens the folder of the file at `path` in the desktop's file manager, the file selected
// where the file manager can (it answers on the session bus); else the folder alone.
void ShowInFolder(const std::string& path);

void OpenQuickStart();
void OpenHomePage();
void OpenFaq();
