<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Column</name>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Geschwindigkeit</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Prüfung</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>Schlüssel</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>Dateigröße</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Bitrate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>Engine</source>
        <translation>Suchseite</translation>
    </message>
    <message>
        <source>Sources</source>
        <translation>Quellen</translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Engines</source>
        <translation>Suchseiten</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Frage</translation>
    </message>
</context>
<context>
    <name>Prompts</name>
    <message>
        <source>Orvalo is already running.</source>
        <translation>Orvalo läuft bereits.</translation>
    </message>
    <message>
        <source>Orvalo cannot write to these folders:

%1

Downloads and the search history cannot be kept until they can be written. Other folders for the downloads can be chosen under Extra, Options.</source>
        <translation>Orvalo kann in diese Ordner nicht schreiben:

%1

Downloads und der Suchverlauf können erst gespeichert werden, wenn sie beschreibbar sind. Andere Ordner für die Downloads lassen sich unter Extras, Einstellungen wählen.</translation>
    </message>
</context>
<context>
    <name>Readable</name>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation>%1 GB</translation>
    </message>
    <message>
        <source>%1 left</source>
        <extracomment>Time a download still needs: &quot;0:35 left&quot;</extracomment>
        <translation>noch %1</translation>
    </message>
    <message numerus="yes">
        <source>%n bytes</source>
        <translation>
            <numerusform>%n Byte</numerusform>
            <numerusform>%n Bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <extracomment>Every byte of a size: &quot;35,127,296 bytes&quot;</extracomment>
        <translation>%1 Bytes</translation>
    </message>
    <message>
        <source>%1 KB/s</source>
        <extracomment>A transfer&apos;s speed, in kilobytes a second</extracomment>
        <translation>%1 KB/s</translation>
    </message>
</context>
<context>
    <name>Reasons</name>
    <message>
        <source>the part that came was removed</source>
        <translation>der bereits empfangene Teil wurde entfernt</translation>
    </message>
    <message>
        <source>the file could not be made: %1</source>
        <translation>die Datei konnte nicht angelegt werden: %1</translation>
    </message>
    <message>
        <source>retrying in %1 s (%2)</source>
        <translation>neuer Versuch in %1 s (%2)</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>it could not be put into the download folder: disk full</source>
        <translation>sie konnte nicht in den Download-Ordner gelegt werden: Datenträger voll</translation>
    </message>
    <message>
        <source>it could not be put into the download folder</source>
        <translation>sie konnte nicht in den Download-Ordner gelegt werden</translation>
    </message>
    <message>
        <source>the file could not be made: something else has its name</source>
        <translation>die Datei konnte nicht angelegt werden: ihr Name ist schon vergeben</translation>
    </message>
    <message>
        <source>disk full</source>
        <translation>Datenträger voll</translation>
    </message>
    <message>
        <source>disk quota exceeded</source>
        <translation>Speicherkontingent überschritten</translation>
    </message>
    <message>
        <source>file too large for the disk</source>
        <translation>Datei zu groß für den Datenträger</translation>
    </message>
    <message>
        <source>the incomplete folder cannot be written</source>
        <translation>in den Ordner für unvollständige Dateien kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the incomplete folder is missing</source>
        <translation>der Ordner für unvollständige Dateien fehlt</translation>
    </message>
    <message>
        <source>the file could not be written</source>
        <translation>die Datei konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the server would not continue the file</source>
        <translation>der Server wollte die Datei nicht fortsetzen</translation>
    </message>
    <message>
        <source>the server sent another part of the file</source>
        <translation>der Server schickte einen anderen Teil der Datei</translation>
    </message>
    <message>
        <source>empty file</source>
        <translation>leere Datei</translation>
    </message>
    <message>
        <source>no file size given</source>
        <translation>keine Dateigröße angegeben</translation>
    </message>
    <message>
        <source>cut short at %1 of %2 bytes</source>
        <translation>abgebrochen bei %1 von %2 Bytes</translation>
    </message>
    <message>
        <source>the file was removed while it arrived</source>
        <translation>die Datei wurde während des Empfangs entfernt</translation>
    </message>
    <message>
        <source>host not found</source>
        <translation>Host nicht gefunden</translation>
    </message>
    <message>
        <source>connection refused</source>
        <translation>Verbindung abgelehnt</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message>
        <source>connection lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>too many redirects</source>
        <translation>zu viele Weiterleitungen</translation>
    </message>
    <message>
        <source>answer not understood</source>
        <translation>Antwort nicht verstanden</translation>
    </message>
    <message>
        <source>bad address</source>
        <translation>ungültige Adresse</translation>
    </message>
    <message>
        <source>redirect refused</source>
        <translation>Weiterleitung abgelehnt</translation>
    </message>
    <message>
        <source>certificate not trusted</source>
        <translation>Zertifikat nicht vertrauenswürdig</translation>
    </message>
    <message>
        <source>certificate for another host</source>
        <translation>Zertifikat für einen anderen Host</translation>
    </message>
    <message>
        <source>expired</source>
        <translation>abgelaufen</translation>
    </message>
    <message>
        <source>private address, not checked</source>
        <translation>private Adresse, nicht geprüft</translation>
    </message>
    <message>
        <source>certificate not yet valid</source>
        <translation>Zertifikat noch nicht gültig</translation>
    </message>
    <message>
        <source>too many open files</source>
        <translation>zu viele offene Dateien</translation>
    </message>
    <message>
        <source>secure connection failed</source>
        <translation>sichere Verbindung fehlgeschlagen</translation>
    </message>
    <message>
        <source>certificate authorities unreadable</source>
        <translation>Zertifizierungsstellen nicht lesbar</translation>
    </message>
    <message>
        <source>proxy refused: answer not understood</source>
        <translation>vom Proxy abgelehnt: Antwort nicht verstanden</translation>
    </message>
    <message>
        <source>proxy refused: HTTP %1</source>
        <translation>vom Proxy abgelehnt: HTTP %1</translation>
    </message>
    <message>
        <source>request failed (%1)</source>
        <translation>Anfrage fehlgeschlagen (%1)</translation>
    </message>
    <message>
        <source>stalled</source>
        <translation>ins Stocken geraten</translation>
    </message>
    <message>
        <source>from the next site (the last %1)</source>
        <translation>von der nächsten Seite (die letzte ist %1)</translation>
    </message>
</context>
<context>
    <name>TDownloadsModel</name>
    <message>
        <source>Complete</source>
        <extracomment>A download&apos;s state</extracomment>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Stopped</source>
        <extracomment>A download&apos;s state: the end of the program stopped it (it goes on at the next start)</extracomment>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Wird heruntergeladen</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <extracomment>A download&apos;s state, then why: &quot;Failed: HTTP 404&quot;</extracomment>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <extracomment>Bytes received of the file&apos;s size: &quot;1,203,456 bytes of 3,400,000&quot;</extracomment>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Queued</source>
        <extracomment>A download&apos;s state: it waits for its turn to run</extracomment>
        <translation>In Warteschlange</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <extracomment>A download&apos;s state, then which site it comes from: &quot;Downloading from the next site (the last stalled)&quot;</extracomment>
        <translation>%1 %2</translation>
    </message>
</context>
<context>
    <name>TEnginesModel</name>
    <message>
        <source>Searching</source>
        <extracomment>A search site is still being asked</extracomment>
        <translation>Sucht</translation>
    </message>
    <message>
        <source>Done</source>
        <extracomment>A search site has answered</extracomment>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>Fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>Dateien: %1</translation>
    </message>
</context>
<context>
    <name>TNotifier</name>
    <message>
        <source>Show Downloads</source>
        <translation>Downloads anzeigen</translation>
    </message>
    <message>
        <source>Downloaded: %1</source>
        <translation>Heruntergeladen: %1</translation>
    </message>
    <message>
        <source>Download failed: %1 (%2)</source>
        <extracomment>The reason is the download&apos;s own (&quot;timed out&quot;, &quot;HTTP 404&quot;)</extracomment>
        <translation>Download fehlgeschlagen: %1 (%2)</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>A whole copy was found: %1</source>
        <translation>Ein ganzes Exemplar wurde gefunden: %1</translation>
    </message>
    <message>
        <source>It waits on your wish list.</source>
        <translation>Es wartet auf Ihrer Wunschliste.</translation>
    </message>
    <message numerus="yes">
        <source>%n songs of your wish list were found whole</source>
        <translation>
            <numerusform>%n Lied Ihrer Wunschliste wurde ganz gefunden</numerusform>
            <numerusform>%n Lieder Ihrer Wunschliste wurden ganz gefunden</numerusform>
        </translation>
    </message>
    <message>
        <source>They wait on your wish list.</source>
        <translation>Sie warten auf Ihrer Wunschliste.</translation>
    </message>
</context>
<context>
    <name>TPlayListModel</name>
    <message>
        <source>Playing: %1</source>
        <translation>Wird abgespielt: %1</translation>
    </message>
    <message>
        <source>%1 kbps</source>
        <translation>%1 kbit/s</translation>
    </message>
</context>
<context>
    <name>TPlayerBar</name>
    <message>
        <source>Previous</source>
        <translation>Vorheriger</translation>
    </message>
    <message>
        <source>Plays the song before this one in the play list</source>
        <translation>Spielt das Lied vor diesem in der Wiedergabeliste</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Plays or pauses the song in the player</source>
        <translation>Spielt das Lied im Player ab oder hält es an</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Nächster</translation>
    </message>
    <message>
        <source>Plays the song after this one in the play list</source>
        <translation>Spielt das Lied nach diesem in der Wiedergabeliste</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stops playing and goes back to the start of the song</source>
        <translation>Beendet die Wiedergabe und springt an den Anfang des Lieds</translation>
    </message>
    <message>
        <source>Elapsed time</source>
        <translation>Verstrichene Zeit</translation>
    </message>
    <message>
        <source>Total time</source>
        <translation>Gesamtzeit</translation>
    </message>
    <message>
        <source>Position</source>
        <extracomment>Where in the song the player is</extracomment>
        <translation>Position</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>How loud the player plays</source>
        <translation>Wie laut der Player spielt</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
</context>
<context>
    <name>TPlayerPanel</name>
    <message>
        <source>No media loaded</source>
        <translation>Keine Datei geladen</translation>
    </message>
    <message>
        <source>Clear Media</source>
        <translation>Datei schließen</translation>
    </message>
    <message>
        <source>Closes the song or video in the player</source>
        <translation>Schließt das Lied oder Video im Player</translation>
    </message>
    <message>
        <source>Full Screen</source>
        <translation>Vollbild</translation>
    </message>
    <message>
        <source>Shows the video on the whole screen</source>
        <translation>Zeigt das Video auf dem ganzen Bildschirm</translation>
    </message>
    <message>
        <source>Size Player</source>
        <translation>Playergröße</translation>
    </message>
    <message>
        <source>Makes the player area higher or lower</source>
        <translation>Macht den Playerbereich höher oder niedriger</translation>
    </message>
</context>
<context>
    <name>TQtMediaPlayer</name>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
</context>
<context>
    <name>TResultsModel</name>
    <message>
        <source>Verified</source>
        <translation>Geprüft</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Found</source>
        <extracomment>A search result whose link has not been checked yet</extracomment>
        <translation>Gefunden</translation>
    </message>
    <message>
        <source>Verified: the link answers</source>
        <translation>Geprüft: der Link antwortet</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>Fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Found: not checked yet</source>
        <translation>Gefunden: noch nicht geprüft</translation>
    </message>
    <message>
        <source>Already in your play list (%1)</source>
        <translation>Schon in Ihrer Wiedergabeliste (%1)</translation>
    </message>
    <message>
        <source>Already in your play list</source>
        <translation>Schon in Ihrer Wiedergabeliste</translation>
    </message>
    <message numerus="yes">
        <source>On %n sites, the best first:</source>
        <translation>
            <numerusform>Auf %n Seite, die beste zuerst:</numerusform>
            <numerusform>Auf %n Seiten, die beste zuerst:</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>No answer on %n sites:</source>
        <translation>
            <numerusform>Keine Antwort auf %n Seite:</numerusform>
            <numerusform>Keine Antwort auf %n Seiten:</numerusform>
        </translation>
    </message>
    <message>
        <source>%1; %2 kHz</source>
        <extracomment>What a link&apos;s start holds, then its sample rate: &quot;MP3, 192 kbps, 4:05; 44.1 kHz&quot;</extracomment>
        <translation>%1; %2 kHz</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1. Longer than your copy (%2)</source>
        <translation>%1. Länger als Ihre Kopie (%2)</translation>
    </message>
    <message>
        <source>Longer than your copy (%1)</source>
        <translation>Länger als Ihre Kopie (%1)</translation>
    </message>
</context>
<context>
    <name>TSearchKeysBox</name>
    <message>
        <source>Enter an artist or song</source>
        <translation>Interpret oder Titel eingeben</translation>
    </message>
    <message>
        <source>Search keys</source>
        <translation>Suchbegriffe</translation>
    </message>
    <message>
        <source>Type an artist or a song title, then press Enter</source>
        <translation>Geben Sie einen Interpreten oder Liedtitel ein und drücken Sie die Eingabetaste</translation>
    </message>
    <message>
        <source>Earlier searches</source>
        <translation>Frühere Suchen</translation>
    </message>
    <message>
        <source>The searches made before, the newest first</source>
        <translation>Die bisherigen Suchen, die neueste zuerst</translation>
    </message>
</context>
<context>
    <name>TStatusFilter</name>
    <message>
        <source>Show in %1</source>
        <translation>Anzeigen in %1</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <extracomment>A view of a list and how many rows it holds: &quot;Failed (3)&quot;</extracomment>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>TWishListPanel</name>
    <message>
        <source>Wish List</source>
        <translation>Wunschliste</translation>
    </message>
    <message>
        <source>Song</source>
        <translation>Lied</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Stand</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Search Again Now</source>
        <translation>Jetzt erneut suchen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Found whole: %1 (%2)</source>
        <extracomment>The quality (&quot;192 kbps, 4:05&quot;) and the site the whole copy was found on</extracomment>
        <translation>Ganz gefunden: %1 (%2)</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>Suche läuft...</translation>
    </message>
    <message>
        <source>No whole copy yet (searched %1)</source>
        <translation>Noch kein ganzes Exemplar (gesucht %1)</translation>
    </message>
    <message>
        <source>Wished for on %1, not searched yet</source>
        <translation>Gewünscht am %1, noch nicht gesucht</translation>
    </message>
    <message>
        <source>Wish List (%1): songs wanted whole, searched for again every few hours</source>
        <translation>Wunschliste (%1): ganz gewünschte Lieder, alle paar Stunden erneut gesucht</translation>
    </message>
</context>
<context>
    <name>TfraDownloads</name>
    <message>
        <source>Downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>No downloads yet. Search for a song on the Searches page and double-click a result, or select it and press Enter.</source>
        <translation>Noch keine Downloads. Suchen Sie auf der Seite „Suchen“ nach einem Lied und doppelklicken Sie auf ein Ergebnis, oder wählen Sie es aus und drücken Sie die Eingabetaste.</translation>
    </message>
    <message>
        <source>Downloads running</source>
        <translation>Laufende Downloads</translation>
    </message>
    <message>
        <source>Preview File</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Plays what has arrived of the selected download</source>
        <translation>Spielt ab, was vom gewählten Download schon angekommen ist</translation>
    </message>
    <message>
        <source>Restart Download</source>
        <translation>Download neu starten</translation>
    </message>
    <message>
        <source>Downloads the selected failed or cancelled songs again</source>
        <translation>Lädt die gewählten fehlgeschlagenen oder abgebrochenen Lieder erneut herunter</translation>
    </message>
    <message>
        <source>Cancel Download</source>
        <translation>Download abbrechen</translation>
    </message>
    <message>
        <source>Stops the selected downloads</source>
        <translation>Bricht die gewählten Downloads ab</translation>
    </message>
    <message>
        <source>Cancel All Downloads</source>
        <translation>Alle Downloads abbrechen</translation>
    </message>
    <message>
        <source>Stops every download that is still running</source>
        <translation>Bricht jeden Download ab, der noch läuft</translation>
    </message>
    <message>
        <source>Clear Downloaded</source>
        <translation>Fertige entfernen</translation>
    </message>
    <message>
        <source>Takes the finished downloads off the list; their files stay</source>
        <translation>Nimmt die fertigen Downloads aus der Liste; ihre Dateien bleiben erhalten</translation>
    </message>
    <message>
        <source>1 download running</source>
        <translation>1 Download läuft</translation>
    </message>
    <message numerus="yes">
        <source>%n downloads running</source>
        <translation>
            <numerusform>%n Download läuft</numerusform>
            <numerusform>%n Downloads laufen</numerusform>
        </translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>Do you really want to cancel this download ?
%1</source>
        <translation>Möchten Sie diesen Download wirklich abbrechen?
%1</translation>
    </message>
    <message numerus="yes">
        <source>Do you really want to cancel these %n downloads ?</source>
        <translation>
            <numerusform>Möchten Sie diesen %n Download wirklich abbrechen?</numerusform>
            <numerusform>Möchten Sie diese %n Downloads wirklich abbrechen?</numerusform>
        </translation>
    </message>
    <message>
        <source>Do you really want to cancel all downloads ?</source>
        <translation>Möchten Sie wirklich alle Downloads abbrechen?</translation>
    </message>
    <message>
        <source>%1 running, %2 queued</source>
        <extracomment>The line under the downloads: &quot;3 running, 1,997 queued&quot;</extracomment>
        <translation>%1 aktiv, %2 in der Warteschlange</translation>
    </message>
    <message>
        <source>Keep Downloading</source>
        <translation>Weiter herunterladen</translation>
    </message>
    <message>
        <source>Cancel All</source>
        <translation>Alle abbrechen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Open Containing Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Copy Link</source>
        <translation>Link kopieren</translation>
    </message>
    <message>
        <source>Remove from List</source>
        <translation>Aus der Liste entfernen</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Laufend</translation>
    </message>
    <message>
        <source>Queued</source>
        <translation>Wartend</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Clear Downloaded: takes complete, failed and cancelled rows off the list</source>
        <translation>Fertige entfernen: nimmt fertige, fehlgeschlagene und abgebrochene Zeilen aus der Liste</translation>
    </message>
    <message>
        <source>The finished downloads were cleared; their songs are on the Play List page.</source>
        <translation>Die fertigen Downloads wurden entfernt; ihre Titel stehen auf der Seite Wiedergabeliste.</translation>
    </message>
    <message>
        <source>Find a Whole Version</source>
        <translation>Vollständige Version suchen</translation>
    </message>
    <message>
        <source>Add to Wish List</source>
        <translation>Zur Wunschliste hinzufügen</translation>
    </message>
</context>
<context>
    <name>TfraPlayList</name>
    <message>
        <source>Play list</source>
        <translation>Wiedergabeliste</translation>
    </message>
    <message>
        <source>Play File</source>
        <translation>Datei abspielen</translation>
    </message>
    <message>
        <source>Plays the selected file in the player</source>
        <translation>Spielt die gewählte Datei im Player ab</translation>
    </message>
    <message>
        <source>Launch File...</source>
        <translation>Datei öffnen...</translation>
    </message>
    <message>
        <source>Launch File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Opens the selected file in the desktop&apos;s program for it</source>
        <translation>Öffnet die gewählte Datei mit dem Programm, das die Arbeitsumgebung dafür vorsieht</translation>
    </message>
    <message>
        <source>Delete File</source>
        <translation>Datei löschen</translation>
    </message>
    <message>
        <source>Moves the selected files to the trash</source>
        <translation>Verschiebt die gewählten Dateien in den Papierkorb</translation>
    </message>
    <message>
        <source>Rename File...</source>
        <translation>Datei umbenennen...</translation>
    </message>
    <message>
        <source>Rename File</source>
        <translation>Datei umbenennen</translation>
    </message>
    <message>
        <source>Gives the selected file another name</source>
        <translation>Gibt der gewählten Datei einen anderen Namen</translation>
    </message>
    <message>
        <source>Locate...</source>
        <translation>Ordner zeigen...</translation>
    </message>
    <message>
        <source>Locate Media Folder</source>
        <translation>Medienordner zeigen</translation>
    </message>
    <message>
        <source>Shows the download folder in the file manager</source>
        <translation>Zeigt den Download-Ordner in der Dateiverwaltung</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Lists the download folder anew</source>
        <translation>Liest den Download-Ordner neu ein</translation>
    </message>
    <message>
        <source>Locate File...</source>
        <translation>Datei im Ordner zeigen...</translation>
    </message>
    <message>
        <source>No songs yet: search for one and download it.
Songs are kept in %1</source>
        <translation>Noch keine Lieder: Suchen Sie eins und laden Sie es herunter.
Lieder werden in %1 abgelegt</translation>
    </message>
    <message>
        <source>Move this file to the trash?
%1</source>
        <translation>Diese Datei in den Papierkorb verschieben?
%1</translation>
    </message>
    <message numerus="yes">
        <source>Move these %n files to the trash?</source>
        <translation>
            <numerusform>Diese %n Datei in den Papierkorb verschieben?</numerusform>
            <numerusform>Diese %n Dateien in den Papierkorb verschieben?</numerusform>
        </translation>
    </message>
    <message>
        <source>This file cannot be moved to the trash. Delete it permanently?
%1</source>
        <translation>Diese Datei kann nicht in den Papierkorb verschoben werden. Endgültig löschen?
%1</translation>
    </message>
    <message>
        <source>Unable to delete
%1</source>
        <translation>Löschen nicht möglich
%1</translation>
    </message>
    <message>
        <source>Enter the new name for the file.</source>
        <translation>Geben Sie den neuen Namen der Datei ein.</translation>
    </message>
    <message>
        <source>Unable to rename the file.</source>
        <translation>Die Datei kann nicht umbenannt werden.</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message>
        <source>Keep</source>
        <translation>Behalten</translation>
    </message>
    <message>
        <source>Delete Permanently</source>
        <translation>Endgültig löschen</translation>
    </message>
    <message>
        <source>Find a Whole Version</source>
        <translation>Vollständige Version suchen</translation>
    </message>
    <message>
        <source>Listing the songs in %1...</source>
        <translation>Die Lieder in %1 werden aufgelistet...</translation>
    </message>
</context>
<context>
    <name>TfraSearch</name>
    <message>
        <source>Find It !</source>
        <translation>Finden!</translation>
    </message>
    <message>
        <source>Cancel</source>
        <extracomment>The search button while a search runs: stops it</extracomment>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Engines</source>
        <extracomment>The list of search sites</extracomment>
        <translation>Suchseiten</translation>
    </message>
    <message>
        <source>Filter results</source>
        <translation>Ergebnisse filtern</translation>
    </message>
    <message>
        <source>Shows only the results that hold this text</source>
        <translation>Zeigt nur die Ergebnisse, die diesen Text enthalten</translation>
    </message>
    <message>
        <source>Clear filter</source>
        <translation>Filter leeren</translation>
    </message>
    <message>
        <source>Empties the filter: every result shows again</source>
        <translation>Leert den Filter: alle Ergebnisse werden wieder gezeigt</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Download File</source>
        <translation>Datei herunterladen</translation>
    </message>
    <message>
        <source>Downloads the selected songs into the download folder</source>
        <translation>Lädt die gewählten Lieder in den Download-Ordner herunter</translation>
    </message>
    <message>
        <source>Copy Link</source>
        <translation>Link kopieren</translation>
    </message>
    <message>
        <source>Search results</source>
        <translation>Suchergebnisse</translation>
    </message>
    <message>
        <source>Most popular</source>
        <translation>Beliebteste</translation>
    </message>
    <message>
        <source>The most popular songs show here once the maker&apos;s site has sent them.</source>
        <translation>Die beliebtesten Lieder erscheinen hier, sobald die Website des Herstellers sie gesendet hat.</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suche</translation>
    </message>
    <message>
        <source>Most Popular</source>
        <translation>Beliebteste</translation>
    </message>
    <message>
        <source>Search progress</source>
        <translation>Suchfortschritt</translation>
    </message>
    <message>
        <source>Verified</source>
        <extracomment>How many results have a link that answers</extracomment>
        <translation>Geprüft</translation>
    </message>
    <message>
        <source>Search status</source>
        <translation>Suchstatus</translation>
    </message>
    <message>
        <source>Files:</source>
        <translation>Dateien:</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>Zeit:</translation>
    </message>
    <message>
        <source>No search keys specified.</source>
        <translation>Keine Suchbegriffe angegeben.</translation>
    </message>
    <message>
        <source>showing %1 of %2</source>
        <translation>%1 von %2 gezeigt</translation>
    </message>
    <message>
        <source>Searching</source>
        <translation>Suche läuft</translation>
    </message>
    <message>
        <source>No site could be reached</source>
        <translation>Keine Seite erreichbar</translation>
    </message>
    <message>
        <source>Checking 1 link</source>
        <translation>1 Link wird geprüft</translation>
    </message>
    <message numerus="yes">
        <source>Checking %n links</source>
        <translation>
            <numerusform>%n Link wird geprüft</numerusform>
            <numerusform>%n Links werden geprüft</numerusform>
        </translation>
    </message>
    <message>
        <source>Type an artist or a song title above and press Enter.</source>
        <translation>Geben Sie oben einen Interpreten oder Liedtitel ein und drücken Sie die Eingabetaste.</translation>
    </message>
    <message>
        <source>No site could be reached. Try again in a while.</source>
        <translation>Keine Seite erreichbar. Versuchen Sie es später noch einmal.</translation>
    </message>
    <message>
        <source>No results for &quot;%1&quot;</source>
        <translation>Keine Ergebnisse für „%1“</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is already in your play list. Download it again?</source>
        <translation>„%1“ ist schon in Ihrer Wiedergabeliste. Erneut herunterladen?</translation>
    </message>
    <message numerus="yes">
        <source>%n of these songs are already in your play list. Download them again?</source>
        <translation>
            <numerusform>%n dieser Lieder ist schon in Ihrer Wiedergabeliste. Erneut herunterladen?</numerusform>
            <numerusform>%n dieser Lieder sind schon in Ihrer Wiedergabeliste. Erneut herunterladen?</numerusform>
        </translation>
    </message>
    <message>
        <source>Download Again</source>
        <translation>Erneut herunterladen</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>Überspringen</translation>
    </message>
    <message>
        <source>This link did not answer when it was checked. Try it anyway?</source>
        <translation>Dieser Link hat bei der Prüfung nicht geantwortet. Trotzdem versuchen?</translation>
    </message>
    <message>
        <source>Try Anyway</source>
        <translation>Trotzdem versuchen</translation>
    </message>
    <message>
        <source>1 song added to Downloads</source>
        <translation>1 Titel zu den Downloads hinzugefügt</translation>
    </message>
    <message numerus="yes">
        <source>%n songs added to Downloads</source>
        <translation>
            <numerusform>%n Titel zu den Downloads hinzugefügt</numerusform>
            <numerusform>%n Titel zu den Downloads hinzugefügt</numerusform>
        </translation>
    </message>
    <message>
        <source>1 with no working link skipped</source>
        <translation>1 ohne funktionierenden Link übersprungen</translation>
    </message>
    <message numerus="yes">
        <source>%n with no working link skipped</source>
        <translation>
            <numerusform>%n ohne funktionierenden Link übersprungen</numerusform>
            <numerusform>%n ohne funktionierenden Link übersprungen</numerusform>
        </translation>
    </message>
    <message>
        <source>Download From</source>
        <translation>Herunterladen von</translation>
    </message>
    <message>
        <source>Links found: %1, songs: %2</source>
        <translation>Gefundene Links: %1, Lieder: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was found only as a preview, a cut file or no MP3 at all (%2). Download it anyway?</source>
        <translation>„%1“ wurde nur als Vorschau, als abgeschnittene Datei oder gar nicht als MP3 gefunden (%2). Trotzdem herunterladen?</translation>
    </message>
    <message numerus="yes">
        <source>%n of these songs were found only as previews, cut files or no MP3 at all. Download them anyway?</source>
        <translation>
            <numerusform>%n dieser Lieder wurde nur als Vorschau, abgeschnittene Datei oder gar nicht als MP3 gefunden. Trotzdem herunterladen?</numerusform>
            <numerusform>%n dieser Lieder wurden nur als Vorschau, abgeschnittene Dateien oder gar nicht als MP3 gefunden. Trotzdem herunterladen?</numerusform>
        </translation>
    </message>
    <message>
        <source>Download Anyway</source>
        <translation>Trotzdem herunterladen</translation>
    </message>
    <message>
        <source>Add to Wish List</source>
        <translation>Zur Wunschliste hinzufügen</translation>
    </message>
</context>
<context>
    <name>TfrmBrowseDirectory</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Browse Directory</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Laufwerk</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Home (%1)</source>
        <translation>Persönlicher Ordner (%1)</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>More menus</source>
        <translation>Weitere Menüs</translation>
    </message>
    <message>
        <source>Shows the menus that do not fit in the menu bar</source>
        <translation>Zeigt die Menüs, die nicht in die Menüleiste passen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation>A&amp;ktionen</translation>
    </message>
    <message>
        <source>E&amp;xtra</source>
        <extracomment>The menu of the program&apos;s options and tools; its accelerator differs from the other menus&apos;</extracomment>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>Options...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Searches</source>
        <extracomment>The page that searches the sites</extracomment>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>View Searches</source>
        <translation>Suchen anzeigen</translation>
    </message>
    <message>
        <source>Downloads</source>
        <extracomment>The page of the downloads</extracomment>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>View Downloads</source>
        <translation>Downloads anzeigen</translation>
    </message>
    <message>
        <source>Play List</source>
        <extracomment>The page of the downloaded songs</extracomment>
        <translation>Wiedergabeliste</translation>
    </message>
    <message>
        <source>View Play List</source>
        <translation>Wiedergabeliste anzeigen</translation>
    </message>
    <message>
        <source>Search Box</source>
        <translation>Suchfeld</translation>
    </message>
    <message>
        <source>Quick Start...</source>
        <translation>Schnellstart...</translation>
    </message>
    <message>
        <source>Home Page...</source>
        <translation>Homepage...</translation>
    </message>
    <message>
        <source>FAQ...</source>
        <translation>Häufige Fragen...</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über Orvalo...</translation>
    </message>
    <message>
        <source>Tool bar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Separator</source>
        <translation>Trennlinie</translation>
    </message>
    <message>
        <source>1 download is still running. Quit now and resume it at the next start?</source>
        <translation>1 Download läuft noch. Jetzt beenden und ihn beim nächsten Start fortsetzen?</translation>
    </message>
    <message numerus="yes">
        <source>%n downloads are still running. Quit now and resume them at the next start?</source>
        <translation>
            <numerusform>%n Download läuft noch. Jetzt beenden und ihn beim nächsten Start fortsetzen?</numerusform>
            <numerusform>%n Downloads laufen noch. Jetzt beenden und sie beim nächsten Start fortsetzen?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n downloads ended</source>
        <translation>
            <numerusform>%n Download beendet</numerusform>
            <numerusform>%n Downloads beendet</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 downloaded, %2 failed</source>
        <translation>%1 heruntergeladen, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Quit and Resume Later</source>
        <translation>Beenden, später fortsetzen</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>Weiterlaufen lassen</translation>
    </message>
</context>
<context>
    <name>TfrmOptions</name>
    <message>
        <source>The incomplete folder is also the download folder. Clearing it would delete your finished downloads, so nothing was deleted.</source>
        <translation>Der Ordner für unvollständige Dateien ist zugleich der Download-Ordner. Ihn zu leeren, würde Ihre fertigen Downloads löschen; daher wurde nichts gelöscht.</translation>
    </message>
    <message>
        <source>The incomplete folder holds the download folder. Clearing it would delete your finished downloads, so nothing was deleted.</source>
        <translation>Der Ordner für unvollständige Dateien enthält den Download-Ordner. Ihn zu leeren, würde Ihre fertigen Downloads löschen; daher wurde nichts gelöscht.</translation>
    </message>
    <message>
        <source>The incomplete folder is your home folder. Clearing it would delete your own files, so nothing was deleted.</source>
        <translation>Der Ordner für unvollständige Dateien ist Ihr persönlicher Ordner. Ihn zu leeren, würde Ihre eigenen Dateien löschen; daher wurde nichts gelöscht.</translation>
    </message>
    <message>
        <source>Clear Last Searches</source>
        <translation>Suchverlauf löschen</translation>
    </message>
    <message>
        <source>Download Folder</source>
        <translation>Download-Ordner</translation>
    </message>
    <message>
        <source>Incomplete Folder</source>
        <translation>Ordner für unvollständige Dateien</translation>
    </message>
    <message>
        <source>Clear Incomplete Folder</source>
        <translation>Unvollständige Dateien löschen</translation>
    </message>
    <message>
        <source>Clear Downloads When Complete</source>
        <translation>Fertige Downloads aus der Liste entfernen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Browse for the Download Folder</source>
        <translation>Download-Ordner wählen</translation>
    </message>
    <message>
        <source>Browse for the Incomplete Folder</source>
        <translation>Ordner für unvollständige Dateien wählen</translation>
    </message>
    <message>
        <source>Delete 1 file in %1?</source>
        <translation>1 Datei in %1 löschen?</translation>
    </message>
    <message numerus="yes">
        <source>Delete %n files in %1?</source>
        <translation>
            <numerusform>%n Datei in %1 löschen?</numerusform>
            <numerusform>%n Dateien in %1 löschen?</numerusform>
        </translation>
    </message>
    <message>
        <source>Downloads at once</source>
        <translation>Gleichzeitige Downloads</translation>
    </message>
    <message>
        <source>How many downloads run at the same time; the others wait their turn</source>
        <translation>Wie viele Downloads gleichzeitig laufen; die übrigen warten, bis sie an der Reihe sind</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Keep</source>
        <translation>Behalten</translation>
    </message>
</context>
<context>
    <name>TfrmSplash</name>
    <message>
        <source>Find it. Fetch it. Play it.</source>
        <extracomment>The program&apos;s motto on its start and About boxes</extracomment>
        <translation>Finden. Laden. Hören.</translation>
    </message>
    <message>
        <source>Visit the Orvalo Website</source>
        <translation>Zur Orvalo-Website</translation>
    </message>
    <message>
        <source>Orvalo logo</source>
        <translation>Orvalo-Logo</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>About Orvalo</source>
        <translation>Über Orvalo</translation>
    </message>
</context>
<context>
    <name>Verdicts</name>
    <message>
        <source>Cut short: %1 of %2</source>
        <translation>Unvollständig: %1 von %2</translation>
    </message>
    <message>
        <source>Short: %1, maybe a preview</source>
        <translation>Kurz: %1, vielleicht eine Hörprobe</translation>
    </message>
    <message>
        <source>MP3, %1 kbps, %2</source>
        <translation>MP3, %1 kbit/s, %2</translation>
    </message>
    <message>
        <source>MPEG audio Layer I, %1 kbps, %2</source>
        <translation>MPEG-Audio Layer I, %1 kbit/s, %2</translation>
    </message>
    <message>
        <source>MPEG audio Layer II, %1 kbps, %2</source>
        <translation>MPEG-Audio Layer II, %1 kbit/s, %2</translation>
    </message>
    <message>
        <source>Not an MP3 file: an HTML page</source>
        <translation>Keine MP3-Datei: eine HTML-Seite</translation>
    </message>
    <message>
        <source>Not an MP3 file: empty</source>
        <translation>Keine MP3-Datei: leer</translation>
    </message>
    <message>
        <source>Not an MP3 file: unknown data</source>
        <translation>Keine MP3-Datei: unbekannte Daten</translation>
    </message>
    <message>
        <source>Not an MP3 file: not a plain file</source>
        <translation>Keine MP3-Datei: keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>Too large to check</source>
        <translation>Zu groß zum Prüfen</translation>
    </message>
    <message>
        <source>Cannot read the file</source>
        <translation>Datei nicht lesbar</translation>
    </message>
    <message>
        <source>Not an MP3</source>
        <translation>Kein MP3</translation>
    </message>
    <message>
        <source>Cut? %1 of %2</source>
        <translation>Abgeschnitten? %1 von %2</translation>
    </message>
    <message>
        <source>Preview? %1</source>
        <translation>Vorschau? %1</translation>
    </message>
    <message>
        <source>%1 kbps, about %2</source>
        <translation>%1 kbps, etwa %2</translation>
    </message>
    <message>
        <source>%1 kbps, %2</source>
        <translation>%1 kbps, %2</translation>
    </message>
</context>
</TS>
