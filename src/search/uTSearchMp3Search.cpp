#include "search/uTSearchMp3Search.h"

const TDetailMarkers TSearchMp3Search::Markers{"download.php?id=", false, "Download Now",
                                               "<font style=\"color: #ffffff;\"><b>", "</b>"};
