#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QHash>

#include "ui/models/uListModel.h"
#include "ui/look/uSystemIcons.h"

class TPlayListFile;
class TPlayListManager;

// The rows of the play list page: one per file of the library, in its order, following what
// it tells. Type shows the file type's icon, File Name the name as the
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
    // Marks the row of the file `name` as the one playing (none: empty); its row shows in bold
    // with a play mark, and says "Playing" to screen readers.
    void SetPlaying(const std::string& name);
    const std::string& Playing() const { return m_playing; }
    // The row of the file `name`; -1 when the list has none.
    int RowOfName(const std::string& name) const;
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
