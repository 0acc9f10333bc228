#pragma once

#include <string>

class TAppOptions;
class TDownloadManager;
class TPlayListManager;
class TPopularList;
class TPrompts;
class TSearchSession;
class TSearchManager;
class TSearchHistory;
class TSearchResultManager;
class TStringList;
class TTransferEngine;
class TVerificationManager;
class TWishList;
class TWishSearch;

// What the window works with, handed to it and its pages when they are made by the program's
// composition root (or a test), and the way to ask the user.
struct TServices {
    TAppOptions& Options;
    TSearchManager& Engines;
    TVerificationManager& Checks;
    TSearchResultManager& Results; // the current search's files
    TSearchResultManager& Popular; // the most-popular list
    TDownloadManager& Downloads;
    TPlayListManager& PlayList;
    TSearchHistory& SearchKeys;    // the search history, newest first
    const TStringList& EngineList; // engine key '*' display name
    std::string DataFolder;        // with its trailing "/"; empty when there is none
    TPrompts& Prompts;
    TTransferEngine& Transfers; // what every fetch runs on
    TSearchSession& Session;    // one search at a time over every engine, its links checked
    TPopularList& PopularList;  // loads the most-popular list into Popular
    TWishList& Wishes;          // songs wanted whole
    TWishSearch& WishSearch;    // searches for them again now and then
};
