#include "ui/widgets/uFittedTexts.h"

#include <algorithm>
#include <memory>

#include <QFontMetrics>
#include <QTransform>

TFittedTexts::TFittedTexts(int capacity) : m_texts(std::max(1, capacity)) {}

const QStaticText& TFittedTexts::Fitted(const QString& text, const QFont& font, int width,
                                        Qt::TextElideMode elide) {
    // Every entry was laid out in one font: another font lays them all out again.
    if (font != m_font) {
        m_texts.clear();
        m_font = font;
    }
    TKey key{text, width, elide};
    if (const QStaticText* known = m_texts.object(key))
        return *known;
    auto fitted = std::make_unique<QStaticText>(QFontMetrics(font).elidedText(text, elide, width));
    fitted->setTextFormat(Qt::PlainText);
    fitted->prepare(QTransform(), font);
    // Held until the next call: the cache may let it go to make room then.
    const QStaticText& kept = *fitted;
    m_texts.insert(std::move(key), fitted.release());
    return kept;
}
