#pragma once

#include <string>
#include <vector>

// orvalo-cli check: what each file really holds, one line each on standard output,
// "path<TAB>kind<TAB>verdict" (kind: KindWord; verdict: as the window says it). A folder
// stands for every plain file below it, in name order. Exits 0 when every file is a whole
// MP3, 1 when some file is not, 2 when a path named cannot be read at all.
int RunCliCheck(const std::vector<std::string>& paths);
