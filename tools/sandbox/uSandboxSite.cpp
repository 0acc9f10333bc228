#include "uSandboxSite.h"

#include <optional>

#include "uMakerSite.h"

namespace {

constexpr std::string_view kHtml = "text/html";

struct TAddress {
    std::string Host;
    std::string Path;  // starts with "/"
    std::string Query; // after "?", still encoded
};

TAddress SplitAddress(const std::string& address) {
    TAddress parts;
    const size_t slash = address.find('/');
    parts.Host = address.substr(0, slash);
    std::string rest = slash == std::string::npos ? "/" : address.substr(slash);
    const size_t question = rest.find('?');
    if (question != std::string::npos) {
        parts.Query = rest.substr(question + 1);
        rest.resize(question);
    }
    parts.Path = std::move(rest);
    return parts;
}

// The raw value of the first `name=` field of a query.
std::optional<std::string_view> QueryValue(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view field = query.substr(0, amp);
        if (field.size() > name.size() && field.substr(0, name.size()) == name &&
            field[name.size()] == '=')
            return field.substr(name.size() + 1);
        if (amp == std::string_view::npos)
            break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

// A song id as the sites write it: plain decimal digits, small enough for an int.
std::optional<int> ParseId(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int id = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        id = id * 10 + (c - '0');
    }
    return id;
}

std::optional<int> QueryId(std::string_view query) {
    const std::optional<std::string_view> value = QueryValue(query, "id");
    return value ? ParseId(*value) : std::nullopt;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

TCannedResponse HtmlPage(std::string body) {
    return TCannedResponse::Ok(std::move(body), std::string(kHtml));
}

TCannedResponse NotFoundPage() {
    TCannedResponse response;
    response.StatusLine = "HTTP/1.0 404 Not Found";
    response.Headers.push_back("Content-Type: " + std::string(kHtml));
    response.Body = "<html><head><title>404 Not Found</title></head>"
                    "<body><h1>Not Found</h1><p>No such page here.</p></body></html>\n";
    return response;
}

TCannedResponse HomePage(std::string_view siteName) {
    return HtmlPage("<html><head><title>" + std::string(siteName) + "</title></head><body><h1>" +
                    std::string(siteName) +
                    "</h1><form action=\"search\"><input name=\"q\"></form></body></html>\n");
}

std::string PageHead(std::string_view siteName, std::string_view key) {
    return "<html>\n<head><title>" + std::string(siteName) + " - " + EscapeHtml(key) +
           "</title></head>\n<body>\n";
}

std::string NoResults(size_t found) {
    return found == 0 ? "<p>No songs found.</p>\n" : "";
}

// The song a file link names, in the form of whichever host it is on.
std::optional<int> FileLinkId(const TAddress& address) {
    const std::string_view path = address.Path;
    if (!EndsWith(path, ".mp3"))
        return std::nullopt;
    if (address.Host == kMuzzHost && StartsWith(path, "/mp3send/"))
        return QueryId(address.Query);
    if (address.Host == kFinderFilesHost && StartsWith(path, "/files/")) {
        const std::string_view rest = path.substr(7);
        const size_t slash = rest.find('/');
        return slash == std::string_view::npos ? std::nullopt : ParseId(rest.substr(0, slash));
    }
    if (address.Host == kMp3SearchFilesHost && StartsWith(path, "/get/"))
        return ParseId(path.substr(5, path.size() - 9));
    return std::nullopt;
}

} // namespace

bool HttpsOnly(std::string_view host) {
    return host == kFinderHost || host == kFinderFilesHost || host == kMp3SearchHost ||
           host == kMakerSiteHost || host == kMirrorHost;
}

std::string SandboxRequestAddress(const THttpRequest& request) {
    // A client that leaves spaces unescaped splits the request line into more than three
    // parts, and the target is then everything between the method and the protocol.
    const std::string& line = request.RequestLine;
    const size_t first = line.find(' ');
    const size_t last = line.rfind(' ');
    std::string target = request.Target;
    if (first != std::string::npos && last > first && line.compare(last + 1, 5, "HTTP/") == 0)
        target = line.substr(first + 1, last - first - 1);
    const std::string host = request.Header("Host");
    return NormalizeAddress(target, host.empty() ? request.Tunnel : host);
}

std::string TSandboxSite::ResultsPage(TSandboxEngine engine, std::string_view encodedKey) const {
    const std::string key = DecodeKey(encodedKey);
    const std::vector<const TSandboxSong*> songs = m_catalogue.Match(key, engine);
    std::string page;
    switch (engine) {
    case TSandboxEngine::Muzz:
        // Navigation and preview anchors sit among the results: the parser has to pass them by.
        page = PageHead("Muzz", key);
        page += "<div class=\"nav\"><a href=\"/\">Muzz</a> | <A HREF=\"/about\">About</A> | "
                "<a href=\"/charts\">Charts</a></div>\n";
        page += "<h2>Results for &quot;" + EscapeHtml(key) + "&quot;</h2>\n<table>\n";
        for (const TSandboxSong* song : songs) {
            const std::string id = std::to_string(song->Id);
            const std::string preview =
                "<td><a href=\"/mp3presend?id=" + id + "&preview=1\">preview</a></td>";
            page += "<tr>";
            if (song->Id % 3 == 1)
                page += preview;
            page += "<td><a href=\"/mp3presend?id=" + id + "\">" + song->FullTitle() + "</a></td>";
            if (song->Id % 3 == 2)
                page += preview;
            page += "</tr>\n";
        }
        page += "</table>\n" + NoResults(songs.size());
        break;
    case TSandboxEngine::Finder:
        page = PageHead("Mp3Finder", key);
        page += "<a href=\"default.aspx\">Home</a>\n<table>\n";
        for (const TSandboxSong* song : songs) {
            const std::string id = std::to_string(song->Id);
            page += "<tr><td><a href=\"dsong.aspx?id=" + id + "&amp;s=1\">" + song->Title +
                    "</a></td><td><a href=\"dsong.aspx?id=" + id +
                    "&amp;preview=1\">preview</a></td><td><a href='dsong.aspx?id=" + id +
                    "'>single quoted</a></td></tr>\n";
        }
        page += "</table>\n" + NoResults(songs.size());
        page += "<a href=\"search.aspx?q=" + EscapeHtml(encodedKey) + "&amp;page=2\">Next</a>\n";
        break;
    case TSandboxEngine::Mp3Search:
        page = PageHead("Mp3 Search", key);
        page += "<a href=\"index.php\">Home</a>\n<ul>\n";
        for (const TSandboxSong* song : songs) {
            const std::string id = std::to_string(song->Id);
            page += "<li><a href=\"download.php?id=" + id + "\">Get " + song->FullTitle() +
                    "</a> <a href=\"download.php?id=" + id +
                    "&amp;mode=preview\">listen (preview)</a></li>\n";
        }
        page += "</ul>\n" + NoResults(songs.size());
        break;
    }
    page += "</body>\n</html>\n";
    return page;
}

std::string TSandboxSite::DetailPage(TSandboxEngine engine, int songId) const {
    const TSandboxSong* song = m_catalogue.Find(songId);
    if (!song || engine == TSandboxEngine::Muzz || !TSandboxCatalogue::ListedOn(*song, engine))
        return {};
    const std::string link = TSandboxCatalogue::ResultLink(*song, engine);
    // The size the file host claims, as a site would have noted it; failing hosts claim none.
    const int64_t announced = m_catalogue.ExpectedDownload(songId).AnnouncedLength;
    const int64_t bytes =
        announced > 0 ? announced : static_cast<int64_t>(m_catalogue.Mp3(songId).size());
    const std::string size = std::to_string(bytes / 1024) + " KB";
    std::string page = "<html>\n<head><title>" + song->FullTitle() + "</title></head>\n<body>\n";
    if (engine == TSandboxEngine::Finder) {
        page += "<a name=\"top\"></a>\n<a href=\"#top\"><b>Song:</b> " + song->FullTitle() +
                " </a>\n<p>Size: " + size + "</p>\n<a href=\"" + link +
                "\">Right mouse click here and choose Save Target As</a>\n"
                "<a href=\"default.aspx\">Back</a>\n";
    } else {
        page += "<table><tr><td><font style=\"color: #ffffff;\"><b>" + song->FullTitle() +
                "</b></font></td><td>" + size + "</td></tr></table>\n<a href=\"" + link +
                "\">Download Now</a>\n<a href=\"index.php\">New search</a>\n";
    }
    page += "</body>\n</html>\n";
    return page;
}

TCannedResponse TSandboxSite::MuzzAnswer(std::string_view path, std::string_view query) const {
    if (path == "/")
        return HomePage("Muzz");
    if (path == "/search")
        return HtmlPage(ResultsPage(TSandboxEngine::Muzz, QueryValue(query, "q").value_or("")));
    return NotFoundPage();
}

TCannedResponse TSandboxSite::FinderAnswer(std::string_view path, std::string_view query) const {
    if (path == "/" || path == "/default.aspx")
        return HomePage("Mp3Finder");
    if (path == "/search.aspx") {
        // Every result fits on the first page; later pages are empty, as after a last page.
        const std::string_view pageNumber = QueryValue(query, "page").value_or("1");
        const std::string_view key = pageNumber == "1" ? QueryValue(query, "q").value_or("") : "";
        return HtmlPage(ResultsPage(TSandboxEngine::Finder, key));
    }
    if (path == "/dsong.aspx") {
        const std::optional<int> id = QueryId(query);
        std::string page = id ? DetailPage(TSandboxEngine::Finder, *id) : std::string();
        if (!page.empty())
            return HtmlPage(std::move(page));
    }
    return NotFoundPage();
}

TCannedResponse TSandboxSite::Mp3SearchAnswer(std::string_view path, std::string_view query) const {
    if (path == "/" || path == "/index.php")
        return HomePage("Mp3 Search");
    if (path == "/search.php")
        return HtmlPage(
            ResultsPage(TSandboxEngine::Mp3Search, QueryValue(query, "q").value_or("")));
    if (path == "/download.php") {
        const std::optional<int> id = QueryId(query);
        std::string page = id ? DetailPage(TSandboxEngine::Mp3Search, *id) : std::string();
        if (!page.empty())
            return HtmlPage(std::move(page));
    }
    return NotFoundPage();
}

TCannedResponse TSandboxSite::MakerAnswer(std::string_view path) const {
    if (path == kMakerFirstRunPath)
        return TCannedResponse::Ok(std::string(kFirstRunBody), "text/plain");
    if (path == kMakerAllFirstRunPath)
        return TCannedResponse::Ok(std::string(kAllFirstRunBody), "text/plain");
    if (path == kMakerMostPopularPath)
        return TCannedResponse::Ok(MostPopularScrambled(m_catalogue), "text/plain");
    std::string help = MakerHelpPage(path);
    return help.empty() ? NotFoundPage() : HtmlPage(std::move(help));
}

TCannedResponse TSandboxSite::MirrorAnswer(std::string_view path) const {
    if (!StartsWith(path, "/files/") || !EndsWith(path, ".mp3"))
        return NotFoundPage();
    const std::optional<int> id = ParseId(path.substr(7, path.size() - 11));
    const TSandboxSong* song = id ? m_catalogue.Find(*id) : nullptr;
    if (!song || song->Link != TLinkBehaviour::OtherHostCertificate)
        return NotFoundPage();
    return TCannedResponse::Ok(m_catalogue.Mp3(*id), "audio/mpeg");
}

namespace {
// A file as a real server serves it: with a version tag, and the rest of it to whoever asks
// for a range (a cut download continued).
TCannedResponse Resumable(TCannedResponse response, int songId) {
    response.Headers.push_back("ETag: \"song-" + std::to_string(songId) + "\"");
    response.HonoursRange = true;
    return response;
}
} // namespace

TCannedResponse TSandboxSite::FileAnswer(int songId, bool secure) const {
    const TSandboxSong* song = m_catalogue.Find(songId);
    if (!song)
        return NotFoundPage();
    TCannedResponse response;
    switch (song->Link) {
    case TLinkBehaviour::OtherHostCertificate:
        response = TCannedResponse::Status(302, "moved");
        response.Headers.push_back("Location: " + std::string(secure ? "https://" : "http://") +
                                   std::string(kMirrorHost) + "/files/" + std::to_string(songId) +
                                   ".mp3");
        return response;
    case TLinkBehaviour::Ok:
        return Resumable(TCannedResponse::Ok(m_catalogue.Mp3(songId), "audio/mpeg"), songId);
    case TLinkBehaviour::NotFound:
        return NotFoundPage();
    case TLinkBehaviour::NoLength:
        response = TCannedResponse::Ok(m_catalogue.Mp3(songId), "audio/mpeg");
        response.Length = TCannedResponse::LengthMode::None;
        return response;
    case TLinkBehaviour::ZeroLength:
        // An empty body with the correct length is exactly "Content-Length: 0".
        return TCannedResponse::Ok({}, "audio/mpeg");
    case TLinkBehaviour::Stall:
        response.StallBeforeAnswer = true;
        return response;
    case TLinkBehaviour::LengthLie:
        response = TCannedResponse::Ok(m_catalogue.Mp3(songId), "audio/mpeg");
        response.Length = TCannedResponse::LengthMode::Given;
        response.GivenLength = static_cast<int64_t>(response.Body.size()) + kLengthLieExtra;
        return response;
    case TLinkBehaviour::Cut:
        response = TCannedResponse::Ok(m_catalogue.Mp3(songId), "audio/mpeg");
        response.CutAfter = static_cast<int64_t>(response.Body.size()) / 2;
        return Resumable(response, songId);
    case TLinkBehaviour::Slow:
        response = TCannedResponse::Ok(m_catalogue.Mp3(songId), "audio/mpeg");
        response.SliceSize = kSlowSliceBytes;
        response.SlicePauseMs = m_catalogue.SlowPauseMs(songId);
        return Resumable(response, songId);
    case TLinkBehaviour::Large:
        response = TCannedResponse::Ok({}, "audio/mpeg");
        response.Length = TCannedResponse::LengthMode::Given;
        response.GivenLength =
            static_cast<int64_t>(m_catalogue.Mp3(songId).size()) * m_catalogue.LargeRepeats(songId);
        return response;
    }
    return NotFoundPage();
}

TCannedResponse TSandboxSite::Answer(const THttpRequest& request) const {
    const bool head = request.Method == "HEAD";
    if (request.Method != "GET" && !head) {
        TCannedResponse refused;
        refused.StatusLine = "HTTP/1.0 405 Method Not Allowed";
        refused.Headers = {"Allow: GET, HEAD", "Content-Type: " + std::string(kHtml)};
        refused.Body = "<html><body><h1>Method Not Allowed</h1></body></html>\n";
        return refused;
    }
    TCannedResponse response = SiteAnswer(request);
    if (head) {
        // The headers of a GET, length included, without its body.
        if (response.Length == TCannedResponse::LengthMode::Correct) {
            response.Length = TCannedResponse::LengthMode::Given;
            response.GivenLength = static_cast<int64_t>(response.Body.size());
        }
        response.Body.clear();
    }
    return response;
}

TCannedResponse TSandboxSite::SiteAnswer(const THttpRequest& request) const {
    const std::string requested = SandboxRequestAddress(request);
    const TAddress address = SplitAddress(requested);
    if (!request.Secure() && HttpsOnly(address.Host)) {
        TCannedResponse moved = TCannedResponse::Status(301, "moved");
        moved.StatusLine = "HTTP/1.0 301 Moved Permanently";
        moved.Headers.push_back("Location: https://" + requested);
        return moved;
    }
    if (const std::optional<int> id = FileLinkId(address))
        return FileAnswer(*id, request.Secure());
    if (address.Host == kMuzzHost)
        return MuzzAnswer(address.Path, address.Query);
    if (address.Host == kFinderHost)
        return FinderAnswer(address.Path, address.Query);
    if (address.Host == kMp3SearchHost)
        return Mp3SearchAnswer(address.Path, address.Query);
    if (address.Host == kMakerSiteHost)
        return MakerAnswer(address.Path);
    if (address.Host == kMirrorHost)
        return MirrorAnswer(address.Path);
    return NotFoundPage();
}

void TSandboxSite::Handle(const THttpRequest& request, TResponder& responder) const {
    const TCannedResponse response = Answer(request);
    // Only a file that is served, not a redirect to it, streams its large body.
    const bool served = response.StatusLine == "HTTP/1.0 200 OK";
    const std::optional<int> id = request.Method == "GET" && served
                                      ? FileLinkId(SplitAddress(SandboxRequestAddress(request)))
                                      : std::nullopt;
    const TSandboxSong* song = id ? m_catalogue.Find(*id) : nullptr;
    if (!song || song->Link != TLinkBehaviour::Large) {
        responder.Send(response.AnswerTo(request));
        return;
    }
    // The head from the answer, then the one copy of the MP3 again and again. A client that
    // hangs up, or the server stopping, makes a send fail and ends the loop.
    if (!responder.Send(response))
        return;
    const std::string& piece = m_catalogue.Mp3(song->Id);
    for (int64_t left = m_catalogue.LargeRepeats(song->Id); left > 0; --left) {
        if (!responder.SendRaw(piece))
            return;
    }
}

TSandboxWeb::TSandboxWeb(uint16_t port, const TSandboxCatalogue& catalogue)
    : m_site(catalogue),
      m_server([this](const THttpRequest& request,
                      TResponder& responder) { m_site.Handle(request, responder); },
               port,
               [this](const std::string& host, const std::string& tunnelPort) {
                   return Tunnel(host, tunnelPort);
               }) {}

std::shared_ptr<ssl_ctx_st> TSandboxWeb::Tunnel(const std::string& host, const std::string& port) {
    if (port != "443")
        return nullptr;
    return m_authority.ServerContext(host, host == kMirrorHost ? TCertificateKind::OtherHost
                                                               : TCertificateKind::Good);
}

bool TSandboxWeb::UseFromThisProcess(const std::string& authorityFile) const {
    if (!WriteAuthority(authorityFile))
        return false;
    UseLoopbackProxy(ProxyAddress(), authorityFile);
    return true;
}

std::string TSandboxWeb::ProxyAddress() const {
    return "http://127.0.0.1:" + std::to_string(Port());
}
