#pragma once

#include <QCache>
#include <QFont>
#include <QStaticText>
#include <QString>

// Keeps the texts a list paints laid out and cut to their cells, so that a repaint draws
// each one again without laying it out anew. A list repaints every visible cell on each
// sort, keystroke and selection, and the layout was most of that time. The texts are plain:
// a name with markup in it shows the characters it has.
class TFittedTexts {
public:
    explicit TFittedTexts(int capacity = 4096);

    // `text` in `font`, cut with `elide` to at most `width` pixels; good until the next call.
    const QStaticText& Fitted(const QString& text, const QFont& font, int width,
                              Qt::TextElideMode elide);

private:
    struct TKey {
        QString Text;
        int Width = 0;
        Qt::TextElideMode Elide = Qt::ElideRight;
        bool operator==(const TKey&) const = default;
    };
    friend size_t qHash(const TKey& key, size_t seed) noexcept {
        return qHashMulti(seed, key.Text, key.Width, static_cast<int>(key.Elide));
    }

    QCache<TKey, QStaticText> m_texts;
    QFont m_font;
};
