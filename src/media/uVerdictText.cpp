#include "media/uContentCheck.h"

#include <QCoreApplication>

#include "core/uTStringUtils.h"

// What the content check found, in words: the window's (translated where a translation is
// installed) and the scripts'.

std::string VerdictText(const TContentVerdict& verdict) {
    const auto said = [](const char* text) { return QCoreApplication::translate("Verdicts", text); };
    const QString length = QString::fromStdString(PlayTime(verdict.LengthMs / 1000));
    QString text;
    switch (verdict.Kind) {
    case TContentKind::Mp3:
        if (verdict.CutShort())
            text = said(QT_TRANSLATE_NOOP("Verdicts", "Cut short: %1 of %2"))
                       .arg(length, QString::fromStdString(PlayTime(verdict.ClaimedLengthMs / 1000)));
        else if (verdict.MaybePreview())
            text = said(QT_TRANSLATE_NOOP("Verdicts", "Short: %1, maybe a preview")).arg(length);
        else
            text = said(QT_TRANSLATE_NOOP("Verdicts", "MP3, %1 kbps, %2")).arg(verdict.BitrateKbps).arg(length);
        break;
    case TContentKind::MpegAudio:
        text = said(verdict.Layer == 1 ? QT_TRANSLATE_NOOP("Verdicts", "MPEG audio Layer I, %1 kbps, %2")
                                       : QT_TRANSLATE_NOOP("Verdicts", "MPEG audio Layer II, %1 kbps, %2"))
                   .arg(verdict.BitrateKbps)
                   .arg(length);
        break;
    case TContentKind::HtmlPage:
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Not an MP3 file: an HTML page"));
        break;
    case TContentKind::Empty:
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Not an MP3 file: empty"));
        break;
    case TContentKind::UnknownData:
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Not an MP3 file: unknown data"));
        break;
    case TContentKind::NotAFile:
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Not an MP3 file: not a plain file"));
        break;
    case TContentKind::TooLarge:
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Too large to check"));
        break;
    case TContentKind::Unreadable:
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Cannot read the file"));
        break;
    }
    return text.toStdString();
}

std::string QualityText(const TContentVerdict& verdict) {
    const auto said = [](const char* text) { return QCoreApplication::translate("Verdicts", text); };
    const QString length = QString::fromStdString(PlayTime(verdict.LengthMs / 1000));
    switch (verdict.Kind) {
    case TContentKind::Unreadable:
    case TContentKind::TooLarge:
        return {};
    case TContentKind::Mp3:
    case TContentKind::MpegAudio:
        break;
    default:
        return said(QT_TRANSLATE_NOOP("Verdicts", "Not an MP3")).toStdString();
    }
    QString text;
    if (verdict.CutShort())
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Cut? %1 of %2"))
                   .arg(length, QString::fromStdString(PlayTime(verdict.ClaimedLengthMs / 1000)));
    else if (verdict.MaybePreview())
        text = said(QT_TRANSLATE_NOOP("Verdicts", "Preview? %1")).arg(length);
    else if (verdict.LengthGuessed)
        text = said(QT_TRANSLATE_NOOP("Verdicts", "%1 kbps, about %2")).arg(verdict.BitrateKbps).arg(length);
    else
        text = said(QT_TRANSLATE_NOOP("Verdicts", "%1 kbps, %2")).arg(verdict.BitrateKbps).arg(length);
    if (verdict.Kind == TContentKind::MpegAudio)
        text = (verdict.Layer == 1 ? QStringLiteral("Layer I, ") : QStringLiteral("Layer II, ")) + text;
    return text.toStdString();
}

std::string KindWord(const TContentVerdict& verdict) {
    switch (verdict.Kind) {
    case TContentKind::Mp3:
        return verdict.CutShort() ? "cut" : "mp3";
    case TContentKind::MpegAudio:
        return "mpeg-audio";
    case TContentKind::HtmlPage:
        return "html";
    case TContentKind::Empty:
        return "empty";
    case TContentKind::UnknownData:
        return "data";
    case TContentKind::NotAFile:
        return "not-a-file";
    case TContentKind::TooLarge:
        return "too-large";
    case TContentKind::Unreadable:
        break;
    }
    return "unreadable";
}

std::string ArtistTitle(const TContentVerdict& verdict) {
    if (verdict.Artist.empty() || verdict.Title.empty())
        return {};
    return ArtistAndTitle(verdict.Artist, verdict.Title);
}
