#include "search/uTSearchMp3Finder.h"

const TDetailMarkers TSearchMp3Finder::Markers{"dsong.aspx?id=", true, "Right mouse click here", "<b>Song:</b>",
                                               "</a>"};
