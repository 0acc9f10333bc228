<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>Column</name>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Received</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Length</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Artist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Album</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bitrate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Engine</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sources</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Engines</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quality</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Question</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Prompts</name>
    <message>
        <source>Orvalo is already running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orvalo cannot write to these folders:

%1

Downloads and the search history cannot be kept until they can be written. Other folders for the downloads can be chosen under Extra, Options.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Readable</name>
    <message>
        <source>%1 KB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 left</source>
        <extracomment>Time a download still needs: &quot;0:35 left&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n bytes</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <extracomment>Every byte of a size: &quot;35,127,296 bytes&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 KB/s</source>
        <extracomment>A transfer&apos;s speed, in kilobytes a second</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Reasons</name>
    <message>
        <source>the part that came was removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file could not be made: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>retrying in %1 s (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it could not be put into the download folder: disk full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it could not be put into the download folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file could not be made: something else has its name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>disk full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>disk quota exceeded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>file too large for the disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the incomplete folder cannot be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the incomplete folder is missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file could not be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the server would not continue the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the server sent another part of the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>empty file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no file size given</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cut short at %1 of %2 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file was removed while it arrived</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>host not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>connection refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>timed out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>connection lost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>too many redirects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>answer not understood</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>bad address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>redirect refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>certificate not trusted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>certificate for another host</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expired</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>private address, not checked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>certificate not yet valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>too many open files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>secure connection failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>certificate authorities unreadable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>proxy refused: answer not understood</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>proxy refused: HTTP %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>request failed (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>stalled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>from the next site (the last %1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TDownloadsModel</name>
    <message>
        <source>Complete</source>
        <extracomment>A download&apos;s state</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped</source>
        <extracomment>A download&apos;s state: the end of the program stopped it (it goes on at the next start)</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <extracomment>A download&apos;s state, then why: &quot;Failed: HTTP 404&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <extracomment>Bytes received of the file&apos;s size: &quot;1,203,456 bytes of 3,400,000&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Queued</source>
        <extracomment>A download&apos;s state: it waits for its turn to run</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2</source>
        <extracomment>A download&apos;s state, then which site it comes from: &quot;Downloading from the next site (the last stalled)&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TEnginesModel</name>
    <message>
        <source>Searching</source>
        <extracomment>A search site is still being asked</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <extracomment>A search site has answered</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TNotifier</name>
    <message>
        <source>Show Downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloaded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download failed: %1 (%2)</source>
        <extracomment>The reason is the download&apos;s own (&quot;timed out&quot;, &quot;HTTP 404&quot;)</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A whole copy was found: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It waits on your wish list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n songs of your wish list were found whole</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>They wait on your wish list.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TPlayListModel</name>
    <message>
        <source>Playing: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 kbps</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TPlayerBar</name>
    <message>
        <source>Previous</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plays the song before this one in the play list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plays or pauses the song in the player</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plays the song after this one in the play list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stops playing and goes back to the start of the song</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Elapsed time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Total time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Position</source>
        <extracomment>Where in the song the player is</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>How loud the player plays</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TPlayerPanel</name>
    <message>
        <source>No media loaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Media</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Closes the song or video in the player</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Full Screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the video on the whole screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size Player</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Makes the player area higher or lower</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TQtMediaPlayer</name>
    <message>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TResultsModel</name>
    <message>
        <source>Verified</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found</source>
        <extracomment>A search result whose link has not been checked yet</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verified: the link answers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found: not checked yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Already in your play list (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Already in your play list</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>On %n sites, the best first:</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>No answer on %n sites:</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>%1; %2 kHz</source>
        <extracomment>What a link&apos;s start holds, then its sample rate: &quot;MP3, 192 kbps, 4:05; 44.1 kHz&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1. Longer than your copy (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Longer than your copy (%1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TSearchKeysBox</name>
    <message>
        <source>Enter an artist or song</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search keys</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type an artist or a song title, then press Enter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Earlier searches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The searches made before, the newest first</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TStatusFilter</name>
    <message>
        <source>Show in %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <extracomment>A view of a list and how many rows it holds: &quot;Failed (3)&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TWishListPanel</name>
    <message>
        <source>Wish List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Song</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search Again Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found whole: %1 (%2)</source>
        <extracomment>The quality (&quot;192 kbps, 4:05&quot;) and the site the whole copy was found on</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No whole copy yet (searched %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wished for on %1, not searched yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wish List (%1): songs wanted whole, searched for again every few hours</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfraDownloads</name>
    <message>
        <source>Downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No downloads yet. Search for a song on the Searches page and double-click a result, or select it and press Enter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plays what has arrived of the selected download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restart Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads the selected failed or cancelled songs again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stops the selected downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel All Downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stops every download that is still running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Downloaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Takes the finished downloads off the list; their files stay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 download running</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n downloads running</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you really want to cancel this download ?
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Do you really want to cancel these %n downloads ?</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Do you really want to cancel all downloads ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 running, %2 queued</source>
        <extracomment>The line under the downloads: &quot;3 running, 1,997 queued&quot;</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep Downloading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Containing Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Link</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove from List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Queued</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Downloaded: takes complete, failed and cancelled rows off the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The finished downloads were cleared; their songs are on the Play List page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find a Whole Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to Wish List</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfraPlayList</name>
    <message>
        <source>Play list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plays the selected file in the player</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Launch File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Launch File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the selected file in the desktop&apos;s program for it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Moves the selected files to the trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gives the selected file another name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Locate...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Locate Media Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the download folder in the file manager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lists the download folder anew</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Locate File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No songs yet: search for one and download it.
Songs are kept in %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move this file to the trash?
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Move these %n files to the trash?</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>This file cannot be moved to the trash. Delete it permanently?
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to delete
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter the new name for the file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to rename the file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Permanently</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find a Whole Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Listing the songs in %1...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfraSearch</name>
    <message>
        <source>Find It !</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <extracomment>The search button while a search runs: stops it</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Engines</source>
        <extracomment>The list of search sites</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter results</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows only the results that hold this text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empties the filter: every result shows again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads the selected songs into the download folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Link</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search results</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Most popular</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The most popular songs show here once the maker&apos;s site has sent them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Most Popular</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verified</source>
        <extracomment>How many results have a link that answers</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No search keys specified.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>showing %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searching</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No site could be reached</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking 1 link</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Checking %n links</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Type an artist or a song title above and press Enter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No site could be reached. Try again in a while.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No results for &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is already in your play list. Download it again?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n of these songs are already in your play list. Download them again?</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Download Again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This link did not answer when it was checked. Try it anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try Anyway</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 song added to Downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n songs added to Downloads</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>1 with no working link skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n with no working link skipped</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Download From</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Links found: %1, songs: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; was found only as a preview, a cut file or no MP3 at all (%2). Download it anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n of these songs were found only as previews, cut files or no MP3 at all. Download them anyway?</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Download Anyway</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to Wish List</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfrmBrowseDirectory</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse Directory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Home (%1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>More menus</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the menus that do not fit in the menu bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xtra</source>
        <extracomment>The menu of the program&apos;s options and tools; its accelerator differs from the other menus&apos;</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searches</source>
        <extracomment>The page that searches the sites</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View Searches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads</source>
        <extracomment>The page of the downloads</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View Downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play List</source>
        <extracomment>The page of the downloaded songs</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View Play List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search Box</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quick Start...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Home Page...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FAQ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tool bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Separator</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 download is still running. Quit now and resume it at the next start?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n downloads are still running. Quit now and resume them at the next start?</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n downloads ended</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>%1 downloaded, %2 failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit and Resume Later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfrmOptions</name>
    <message>
        <source>The incomplete folder is also the download folder. Clearing it would delete your finished downloads, so nothing was deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The incomplete folder holds the download folder. Clearing it would delete your finished downloads, so nothing was deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The incomplete folder is your home folder. Clearing it would delete your own files, so nothing was deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Last Searches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Incomplete Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Incomplete Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Downloads When Complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse for the Download Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse for the Incomplete Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete 1 file in %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Delete %n files in %1?</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Downloads at once</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>How many downloads run at the same time; the others wait their turn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfrmSplash</name>
    <message>
        <source>Find it. Fetch it. Play it.</source>
        <extracomment>The program&apos;s motto on its start and About boxes</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Visit the Orvalo Website</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orvalo logo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Orvalo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Verdicts</name>
    <message>
        <source>Cut short: %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Short: %1, maybe a preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MP3, %1 kbps, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MPEG audio Layer I, %1 kbps, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MPEG audio Layer II, %1 kbps, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not an MP3 file: an HTML page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not an MP3 file: empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not an MP3 file: unknown data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not an MP3 file: not a plain file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Too large to check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not an MP3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut? %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview? %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 kbps, about %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 kbps, %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
