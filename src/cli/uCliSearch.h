#pragma once

#include <string>

struct TCliSearchOptions {
    std::string DataFolder;   // holds Engines.dat
    std::string Key;
    int TimeoutSeconds = 120; // the whole run
    int CheckTimeoutSeconds = 15; // one link check: connect and stall limits
};

// Runs one search with the program's own limits, verifies every distinct link and prints
// one tab-separated line per event on standard output, failures with their reasons. Returns
// the exit code: 0 when the search ended and every check reported, 1 when no engine loaded
// or the time ran out, 2 when no engine's site could be reached.
int RunCliSearch(const TCliSearchOptions& options);

// The field with its control bytes (a line break, a tab, an escape) made spaces: a name
// from a file system or a web page cannot forge a line or a field of the output.
std::string Printable(std::string field);
// Prints a line of tab-separated fields, each with its control bytes made spaces, at once.
void PrintFields(std::initializer_list<std::string> fields);
