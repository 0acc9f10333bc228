#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QComboBox>
#include <QWidget>

#include "core/uSearchKeys.h"

class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;
class QToolButton;
class QPushButton;
class QTreeView;
class TDownload;
class TEngineListModel;
class TPageList;
class TResultListModel;
class TSearchResult;
class TSearchResultManager;
class TStringList;
class TfraDownloads;

// The search key box: an editable combo whose drop-down list is the search history. Enter
// in it is not the combo's own (which would add the text as an item): it is reported.
class TSearchKeysBox : public QComboBox, public ISearchKeysBox {
    Q_OBJECT
public:
    explicit TSearchKeysBox(QWidget* parent = nullptr);

    std::string EditText() const override;
    void SetEditText(const std::string& text) override;
    void ClearItems() override;
    void AddItem(const std::string& text) override;

signals:
    void EnterPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The page on which the user searches, watches results arrive and be verified, browses
// the most-popular list and asks for downloads.
class TfraSearch : public QWidget {
    Q_OBJECT
public:
    explicit TfraSearch(QWidget* parent = nullptr);
    // Lets go of the managers' events, if the managers still exist.
    ~TfraSearch() override;

    void InitPage();
    // Tag 1: starts a search with the key in the box, or cancels the running one.
    void cmdSearchClick();
    // Tag 2: queues the selected entry of the list shown.
    void DownloadSelected();

    void StartSearch(const std::string& key);
    void CancelSearch();
    void LoadMostPopular();
    void tmrTimeTimer();
    // Brings the Search (1) or Most Popular (2) panel to the front with its tab button.
    void ShowTab(int tag);

    void HandleResultFound(const std::string& engineKey, const std::string& title,
                           const std::string& link);
    void HandleEngineDone(const std::string& engineKey);
    void HandleSearchDone();
    void HandleLinkFailed(const std::string& link);
    void HandleLinkVerified(const std::string& link, int64_t size);

    // The system's millisecond tick count, truncated to 32 bits.
    static uint32_t TickCount();

    TSearchKeysBox* cmbSearchKeys;
    QPushButton* cmdSearch;
    QToolButton* cmdTabSearch;
    QToolButton* cmdTabMostPopular;
    QWidget* pnlPanels;
    QWidget* pnlSearch;
    QWidget* pnlMostPopular;
    QTreeView* lvwEngines;
    TPageList* lvwFiles;
    TPageList* lvwPopular;
    QProgressBar* prgSearch;
    QLabel* imgCheckMark;
    QLabel* lblFilesVerified;
    QLabel* lblFilesFound;
    QLabel* lblTime;
    QMenu* popFiles;
    QTimer* tmrTime;

    TEngineListModel* EngineRows;
    TResultListModel* FileRows;
    TResultListModel* PopularRows;

    // How long one slice of the most-popular file may take to load, in milliseconds.
    int PopularSliceMs = 8;

    bool Cancelled = false;
    int VerifiedCount = 0;
    uint32_t StartTick = 0;

    // Set by the main window before InitPage: the page that takes the downloads asked for
    // here, and the Actions item whose caption turns with the search button's.
    TfraDownloads* Downloads = nullptr;
    QAction* FindItItem = nullptr;

    // Where a download asked for here is shown: the downloads page when unset. Tests put
    // their own receiver here.
    std::function<void(const TDownload&)> ShowDownload;
    // Shows a notice to the user: a message box titled "Orvalo" when unset.
    std::function<void(const QString&)> ShowNotice;

private:
    // What one results list needs to find its rows again by link: the row map (row number
    // '*' link) with a hash beside it, since the map itself finds values only by scanning.
    struct TRowFinder {
        TStringList* Rows = nullptr;
        std::unordered_map<std::string, int> RowByLink; // first row number of each link
        void Add(int row, const std::string& link);
        void Clear();
        int Find(const std::string& link) const;
    };

    // Whether the process-wide instances the page works with exist.
    static bool CoreExists();
    void BuildControls();
    void ConnectControls();
    void SetSearchCaption(const QString& caption);
    void LoadEngineRows();
    void LoadPopularSlice();
    void AddPopularLine(std::string_view line);
    void CountEngineResult(const std::string& displayName);
    void ResetCounters();
    void SetupList(TPageList* list, TResultListModel* model);
    void ColumnClicked(TPageList* list, TResultListModel* model, int column);
    // The result behind the row `key` of a list, found through its row map; nullptr if none.
    static TSearchResult* ResultOfRow(const TStringList& rows, const TSearchResultManager& results,
                                      int key);
    void Notice(const QString& text);

    TRowFinder m_fileRows;
    TRowFinder m_popularRows;
    QButtonGroup* m_tabs;
    // The most-popular file while it loads, and how far it has been read.
    std::string m_popularText;
    size_t m_popularAt = 0;
    QTimer* m_popularLoader;
};
