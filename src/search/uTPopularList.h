#pragma once

#include <string>

#include <QObject>
#include <QTimer>

class TSearchResultManager;

// The most-popular list stored in the data folder, read into its store: every well-formed
// line becomes a verified result named "artist - title" with the link's extension. A few
// milliseconds of lines are read at a time, so that a list of any length loads without
// holding up the event loop; the usual short one is read within Load itself.
class TPopularList : public QObject {
    Q_OBJECT
public:
    explicit TPopularList(TSearchResultManager& store, QObject* parent = nullptr);

    // Reads the scrambled list at `path` (a missing or unreadable one is empty).
    void Load(const std::string& path);
    bool Loading() const { return m_slices.isActive(); }

    // How long one slice may take, in milliseconds.
    int SliceMs = 8;

signals:
    // The store's entries `first` to `last` were added.
    void EntriesAdded(int first, int last);

private:
    void LoadSlice();

    TSearchResultManager& m_store;
    std::string m_text; // the unscrambled list while it loads
    size_t m_at = 0;    // how far it has been read
    QTimer m_slices;
};
