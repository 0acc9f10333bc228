#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QHash>

#include "ui/uListModel.h"
#include "ui/uSystemIcons.h"

class TPlayListFile;
struct TListedFile;
class TPlayListManager;

// The rows of the play list page: one per file of the play list manager's catalogue of the
// download folder, in its order. Type shows the file type's icon, File Name the name as the
// file system gives it, File Size the size in bytes.
class TPlayListModel : public TListModel {
    Q_OBJECT
public:
    enum TColumn { ColType, ColName, ColSize, ColLength, ColArtist, ColTitle, ColAlbum, ColBitrate };
    static const std::vector<TColumnFormat>& Columns();

    explicit TPlayListModel(TPlayListManager& files, QObject* parent = nullptr);

    void SetIcons(const TSystemImageList& icons);
    // The icon list the Type column draws from; none until the page is initialised.
    const std::optional<TSystemImageList>& Icons() const { return m_icons; }

    int RowsHeld() const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const TPlayListFile& File(int row) const;
    // Lists the folder anew.
    void Refresh();
    // Brings the rows in line with a new listing of the folder: rows of files gone go, files
    // new to the list are added at its end, sizes follow; rows that stay keep their place
    // (and their selection). The names added.
    std::vector<std::string> Follow(const std::vector<TListedFile>& listing);
    // Appends a row for a file of the download folder; `name` is the bare file name.
    void Append(const std::string& name, int64_t size);
    void Remove(int row);
    void Rename(int row, const std::string& name);
    // Marks the row of the file `name` as the one playing (none: empty); its row shows in bold
    // with a play mark, and says "Playing" to screen readers.
    void SetPlaying(const std::string& name);
    const std::string& Playing() const { return m_playing; }
    // The row of the file `name`; -1 when the list has none.
    int RowOfName(const std::string& name) const;
    // What the content check found in the file `name`: its tags and length.
    void SetTags(const std::string& name, const std::string& artist, const std::string& title,
                 const std::string& album, int64_t lengthMs, int bitrateKbps);
    // How the file of `row` is named for a person: "Artist - Title" when its tags have both,
    // its file name otherwise.
    QString DisplayName(int row) const;

private:
    int IconIndexOf(const std::string& name) const;

    bool IsPlaying(int row) const;
    QVariant TagData(const TPlayListFile& file, int column, int role) const;

    TPlayListManager& m_files;
    std::string m_playing;
    std::optional<TSystemImageList> m_icons;
    mutable QHash<QString, int> m_iconOfExtension;
};
