#include "ui/uServices.h"

#include "startup/uIncludes.h"

TServices ProcessServices(TPrompts& prompts) {
    return TServices{*AppOptions,     *SearchManager, *VerificationManager, *SearchResults, *PopularResults,
                     *DownloadManager, *PlayListManager, *SearchKeys,        *EngineList,    DataFolder,
                     prompts};
}
