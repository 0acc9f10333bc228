#include <deque>
#include <functional>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "startup/uIncludes.h"
#include "ui/uApplication.h"
#include "ui/uFraPlayList.h"
#include "ui/uMediaPlayer.h"
#include "ui/uPageList.h"
#include "ui/uPlayListModel.h"
#include "ui/uSystemIcons.h"

// Records what the page asks of the player.
class FakePlayer : public TMediaPlayer {
public:
    std::vector<std::string> Loads;
    int FullScreenRequests = 0;

    void Load(const std::string& path) override {
        Loads.push_back(path);
        m_source = path;
        emit StateChanged(PlaybackState());
    }
    std::string Source() const override { return m_source; }
    void Play() override {}
    void Pause() override {}
    void Stop() override {}
    State PlaybackState() const override {
        return m_source.empty() ? State::Stopped : State::Playing;
    }
    qint64 Position() const override { return 0; }
    qint64 Duration() const override { return 0; }
    void SetPosition(qint64) override {}
    int Volume() const override { return 50; }
    void SetVolume(int) override {}
    QWidget* VideoArea() override { return new QWidget; }
    bool ShowFullScreen() override {
        ++FullScreenRequests;
        return !m_source.empty();
    }

private:
    std::string m_source;
};

// Answers the page's modal dialogs as they show, in order, and records what each said. A
// dialog that comes with no answer left is cancelled, so a test never hangs on one.
class DialogDriver : public QObject {
public:
    struct Seen {
        QString Title;
        QString Text;
        int Icon = -1;
    };
    QList<Seen> Dialogs;
    std::deque<std::function<void(QDialog*)>> Answers;

    DialogDriver() {
        connect(&m_poll, &QTimer::timeout, this, &DialogDriver::Poll);
        m_poll.start(5);
    }

    static std::function<void(QDialog*)> Press(QMessageBox::StandardButton button) {
        return [button](QDialog* dialog) {
            static_cast<QMessageBox*>(dialog)->button(button)->click();
        };
    }
    static std::function<void(QDialog*)> Type(const QString& text) {
        return [text](QDialog* dialog) {
            static_cast<QInputDialog*>(dialog)->setTextValue(text);
            dialog->accept();
        };
    }
    static std::function<void(QDialog*)> Cancel() {
        return [](QDialog* dialog) { dialog->reject(); };
    }

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        Seen seen{dialog->windowTitle(), {}, -1};
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen.Text = box->text();
            seen.Icon = box->icon();
        } else if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            seen.Text = input->labelText() + QStringLiteral(" [") + input->textValue() +
                        QStringLiteral("]");
        }
        Dialogs << seen;
        if (Answers.empty()) {
            dialog->reject();
            return;
        }
        const auto answer = Answers.front();
        Answers.pop_front();
        answer(dialog);
    }
    QTimer m_poll;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void open(const QUrl& url) { Opened << url; }
};

class TestFraPlayList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsPlainFilesOnly();
    void missingFolderListsNothing();
    void sortByColumnClicks_data();
    void sortByColumnClicks();
    void refreshForgetsTheSort();
    void addFileRowAppends();
    void playSelectedLoadsThePath();
    void clearAndFullScreen();
    void deleteSelected_data();
    void deleteSelected();
    void renameSelected_data();
    void renameSelected();
    void sizePlayerToggles();
    void launchAndLocateOpenInShell();
    void popupMenuCarriesTheSixActions();

private:
    void MakeFile(const QString& name, int size);
    QStringList Names() const;
    void Select(const QString& name);
    QStringList FolderFiles() const;

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TfraPlayList> m_page;
    FakePlayer* m_player = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestFraPlayList::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    AppOptions = std::make_unique<TAppOptions>();
    AppOptions->DownloadDir = m_folder->path().toStdString();
    auto player = std::make_unique<FakePlayer>();
    m_player = player.get();
    m_page = std::make_unique<TfraPlayList>(std::move(player));
    m_tester = std::make_unique<QAbstractItemModelTester>(
        &m_page->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_page->resize(632, 381);
}

void TestFraPlayList::cleanup() {
    m_tester.reset();
    m_page.reset();
    AppOptions.reset();
    m_folder.reset();
}

void TestFraPlayList::MakeFile(const QString& name, int size) {
    QFile file(m_folder->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

QStringList TestFraPlayList::Names() const {
    QStringList names;
    const TPlayListModel& model = m_page->Model();
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row, TPlayListModel::ColName).data().toString();
    return names;
}

void TestFraPlayList::Select(const QString& name) {
    const int row = static_cast<int>(Names().indexOf(name));
    QVERIFY(row >= 0);
    m_page->lvwPlayList->setCurrentIndex(m_page->Model().index(row, TPlayListModel::ColName));
}

QStringList TestFraPlayList::FolderFiles() const {
    QStringList names = QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

void TestFraPlayList::listsPlainFilesOnly() {
    MakeFile(QStringLiteral("song.mp3"), 1234);
    MakeFile(QStringLiteral(".hidden.mp3"), 7);
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("subfolder")));
    QVERIFY(QFile::link(m_folder->filePath(QStringLiteral("subfolder")),
                        m_folder->filePath(QStringLiteral("dirlink"))));
    m_page->InitPage(GetSystemImageList(false));
    QStringList names = Names();
    names.sort();
    QCOMPARE(names, (QStringList{".hidden.mp3", "song.mp3"}));
    const TPlayListModel& model = m_page->Model();
    const int row = static_cast<int>(Names().indexOf(QStringLiteral("song.mp3")));
    QCOMPARE(model.index(row, TPlayListModel::ColSize).data().toString(), QStringLiteral("1234"));
    QCOMPARE(model.index(row, TPlayListModel::ColSize).data(TPlayListModel::SizeRole).toLongLong(),
             1234);
    QVERIFY(!model.index(row, TPlayListModel::ColType)
                 .data(Qt::DecorationRole)
                 .value<QIcon>()
                 .isNull());
    QVERIFY(!model.index(row, TPlayListModel::ColType)
                 .data(Qt::AccessibleTextRole)
                 .toString()
                 .isEmpty());
    QVERIFY(model.index(row, TPlayListModel::ColType).data(Qt::DisplayRole).isNull());
}

void TestFraPlayList::missingFolderListsNothing() {
    MakeFile(QStringLiteral("song.mp3"), 10);
    m_page->InitPage(GetSystemImageList(false));
    QCOMPARE(m_page->Model().rowCount(), 1);
    AppOptions->DownloadDir = m_folder->filePath(QStringLiteral("gone")).toStdString();
    m_page->RefreshList();
    QCOMPARE(m_page->Model().rowCount(), 0);
}

void TestFraPlayList::sortByColumnClicks_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("size ascending is numeric")
        << QList<int>{2} << QStringList{"C.mp3", "a.wav", "b.mp3"};
    QTest::newRow("size twice reverses")
        << QList<int>{2, 2} << QStringList{"b.mp3", "a.wav", "C.mp3"};
    QTest::newRow("name folds case") << QList<int>{1} << QStringList{"a.wav", "b.mp3", "C.mp3"};
    QTest::newRow("name twice reverses")
        << QList<int>{1, 1} << QStringList{"C.mp3", "b.mp3", "a.wav"};
    QTest::newRow("another column sorts ascending")
        << QList<int>{1, 1, 2} << QStringList{"C.mp3", "a.wav", "b.mp3"};
}

void TestFraPlayList::sortByColumnClicks() {
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, order);
    m_page->AddFileRow("b.mp3", 100);
    m_page->AddFileRow("C.mp3", 5);
    m_page->AddFileRow("a.wav", 90);
    for (int column : clicks)
        emit m_page->lvwPlayList->header()->sectionClicked(column);
    QCOMPARE(Names(), order);
}

void TestFraPlayList::refreshForgetsTheSort() {
    m_page->InitPage(GetSystemImageList(false));
    emit m_page->lvwPlayList->header()->sectionClicked(1);
    QCOMPARE(m_page->lvwPlayList->SortTag, 2);
    m_page->RefreshList();
    QCOMPARE(m_page->lvwPlayList->SortTag, 0);
}

void TestFraPlayList::addFileRowAppends() {
    m_page->InitPage(GetSystemImageList(false));
    m_page->AddFileRow("first.mp3", 3);
    m_page->AddFileRow("first.mp3", 3); // nothing checks for a row listed already
    m_page->AddFileRow("caf\xe9.mp3", 4000000000LL);
    QCOMPARE(Names(), (QStringList{"first.mp3", "first.mp3", QStringLiteral("caf\u00e9.mp3")}));
    QCOMPARE(m_page->Model().index(2, TPlayListModel::ColSize).data().toString(),
             QStringLiteral("4000000000"));
    QCOMPARE(m_page->Model().Row(2).Name, std::string("caf\xe9.mp3"));
}

void TestFraPlayList::playSelectedLoadsThePath() {
    m_page->AddFileRow("one.mp3", 1);
    m_page->PlaySelected();
    QVERIFY(m_player->Loads.empty());
    Select(QStringLiteral("one.mp3"));
    m_page->PlaySelected();
    const std::string path = m_folder->path().toStdString() + "/one.mp3";
    QCOMPARE(m_player->Loads, (std::vector<std::string>{"", path}));
    QCOMPARE(m_page->lblFileName->text(), QStringLiteral("one.mp3"));
    m_page->PlayMedia("/elsewhere/partial/two.mp3");
    QCOMPARE(m_player->Loads.back(), std::string("/elsewhere/partial/two.mp3"));
    QCOMPARE(m_page->lblFileName->text(), QStringLiteral("two.mp3"));
}

void TestFraPlayList::clearAndFullScreen() {
    DialogDriver dialogs;
    QCOMPARE(m_page->lblFileName->text(), QStringLiteral("No media loaded"));
    m_page->cmdFullScreen->click(); // nothing loaded: no message
    QCOMPARE(m_player->FullScreenRequests, 1);
    m_page->PlayMedia("/music/x.mp3");
    m_page->cmdClearPlayer->click();
    QCOMPARE(m_player->Loads.back(), std::string());
    QCOMPARE(m_page->lblFileName->text(), QStringLiteral("No media loaded"));
    QCoreApplication::processEvents();
    QVERIFY(dialogs.Dialogs.isEmpty());
}

void TestFraPlayList::deleteSelected_data() {
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<bool>("goneBefore");
    QTest::addColumn<bool>("rowStays");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("warning");
    QTest::newRow("No keeps all") << QMessageBox::No << false << true
                                  << QStringList{"keep.mp3", "victim.mp3"} << QString();
    QTest::newRow("Yes deletes") << QMessageBox::Yes << false << false << QStringList{"keep.mp3"}
                                 << QString();
    QTest::newRow("failure warns") << QMessageBox::Yes << true << true << QStringList{"keep.mp3"}
                                   << QStringLiteral("Unable to delete\nvictim.mp3");
}

void TestFraPlayList::deleteSelected() {
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(bool, goneBefore);
    QFETCH(bool, rowStays);
    QFETCH(QStringList, files);
    QFETCH(QString, warning);
    MakeFile(QStringLiteral("keep.mp3"), 1);
    MakeFile(QStringLiteral("victim.mp3"), 2);
    m_page->InitPage(GetSystemImageList(false));
    Select(QStringLiteral("victim.mp3"));
    if (goneBefore)
        QVERIFY(QFile::remove(m_folder->filePath(QStringLiteral("victim.mp3"))));
    DialogDriver dialogs;
    dialogs.Answers.push_back(DialogDriver::Press(answer));
    dialogs.Answers.push_back(DialogDriver::Press(QMessageBox::Ok));
    m_page->DeleteSelected();
    QCOMPARE(dialogs.Dialogs.size(), warning.isEmpty() ? 1 : 2);
    QCOMPARE(dialogs.Dialogs[0].Title, QStringLiteral("Orvalo"));
    QCOMPARE(dialogs.Dialogs[0].Text,
             QStringLiteral("Do you really want to delete this file ?\nvictim.mp3"));
    QCOMPARE(dialogs.Dialogs[0].Icon, int(QMessageBox::Question));
    if (!warning.isEmpty()) {
        QCOMPARE(dialogs.Dialogs[1].Text, warning);
        QCOMPARE(dialogs.Dialogs[1].Icon, int(QMessageBox::Warning));
    }
    QCOMPARE(Names().contains(QStringLiteral("victim.mp3")), rowStays);
    QCOMPARE(FolderFiles(), files);
}

void TestFraPlayList::renameSelected_data() {
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("files");
    const QStringList untouched{"old.mp3", "other.mp3"};
    QTest::newRow("cancel keeps the name") << true << QString() << false << untouched;
    QTest::newRow("unchanged") << false << QStringLiteral("old.mp3") << false << untouched;
    QTest::newRow("new name") << false << QStringLiteral("new.mp3") << false
                              << QStringList{"new.mp3", "other.mp3"};
    QTest::newRow("taken name never replaces")
        << false << QStringLiteral("other.mp3") << true << untouched;
    QTest::newRow("separator") << false << QStringLiteral("../out.mp3") << true << untouched;
    QTest::newRow("empty") << false << QString() << true << untouched;
    QTest::newRow("dot") << false << QStringLiteral(".") << true << untouched;
    QTest::newRow("dot dot") << false << QStringLiteral("..") << true << untouched;
    QTest::newRow("too long") << false << QString(300, QLatin1Char('n')) << true << untouched;
}

void TestFraPlayList::renameSelected() {
    QFETCH(bool, cancel);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    QFETCH(QStringList, files);
    MakeFile(QStringLiteral("old.mp3"), 11);
    MakeFile(QStringLiteral("other.mp3"), 22);
    m_page->InitPage(GetSystemImageList(false));
    Select(QStringLiteral("old.mp3"));
    const int row = static_cast<int>(Names().indexOf(QStringLiteral("old.mp3")));
    DialogDriver dialogs;
    dialogs.Answers.push_back(cancel ? DialogDriver::Cancel() : DialogDriver::Type(typed));
    dialogs.Answers.push_back(DialogDriver::Press(QMessageBox::Ok));
    m_page->RenameSelected();

    QCOMPARE(dialogs.Dialogs[0].Title, QStringLiteral("Rename File"));
    QCOMPARE(dialogs.Dialogs[0].Text, QStringLiteral("Enter the new name for the file. [old.mp3]"));
    QCOMPARE(dialogs.Dialogs.size(), refused ? 2 : 1);
    if (refused) {
        QCOMPARE(dialogs.Dialogs[1].Title, QStringLiteral("Orvalo"));
        QCOMPARE(dialogs.Dialogs[1].Text, QStringLiteral("Unable to rename the file."));
        QCOMPARE(dialogs.Dialogs[1].Icon, int(QMessageBox::Warning));
    }
    QCOMPARE(FolderFiles(), files);
    QCOMPARE(QFileInfo(m_folder->filePath(QStringLiteral("other.mp3"))).size(), 22);
    const QString shown = files.first() == QStringLiteral("new.mp3") ? QStringLiteral("new.mp3")
                                                                     : QStringLiteral("old.mp3");
    QCOMPARE(m_page->Model().index(row, TPlayListModel::ColName).data().toString(), shown);
    QCOMPARE(m_page->Model().index(row, TPlayListModel::ColSize).data().toString(),
             QStringLiteral("11"));
}

void TestFraPlayList::sizePlayerToggles() {
    m_page->InitPage(GetSystemImageList(false));
    m_page->show();
    QCOMPARE(m_page->pnlPlayer->height(), TfraPlayList::kPlayerLow);
    QCOMPARE(m_page->cmdSizePlayer->property("glyph").toString(), QStringLiteral("expand"));
    QCOMPARE(m_page->cmdSizePlayer->size(), QSize(22, 22));
    QCOMPARE(m_page->cmdSizePlayer->toolTip(), QStringLiteral("Size Player"));
    m_page->cmdSizePlayer->click();
    QTRY_COMPARE(m_page->pnlPlayer->height(), TfraPlayList::kPlayerHigh);
    QCOMPARE(m_page->cmdSizePlayer->property("glyph").toString(), QStringLiteral("collapse"));
    m_page->cmdSizePlayer->click();
    QTRY_COMPARE(m_page->pnlPlayer->height(), TfraPlayList::kPlayerLow);
    QCOMPARE(m_page->cmdSizePlayer->property("glyph").toString(), QStringLiteral("expand"));
    // The player stays centred.
    const QRect media = m_page->pnlMediaPlayer->geometry();
    QVERIFY(qAbs(media.left() - (m_page->pnlPlayer->width() - media.right() - 1)) <= 1);
}

void TestFraPlayList::launchAndLocateOpenInShell() {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    m_page->LocateFolder(); // even with an empty list
    m_page->AddFileRow("tune.mp3", 1);
    m_page->LaunchSelected(); // nothing selected
    Select(QStringLiteral("tune.mp3"));
    m_page->LaunchSelected();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(catcher.Opened.size(), 2);
    QCOMPARE(catcher.Opened[0].toLocalFile(), m_folder->path());
    QCOMPARE(catcher.Opened[1].toLocalFile(), m_folder->filePath(QStringLiteral("tune.mp3")));
}

void TestFraPlayList::popupMenuCarriesTheSixActions() {
    QStringList items;
    for (QAction* item : m_page->popPlayList->actions())
        items << (item->isSeparator() ? QStringLiteral("-")
                                      : item->text() + QLatin1Char('=') + item->data().toString());
    QCOMPARE(items, (QStringList{"Play File=8", "Launch File...=9", "-", "Delete File=10",
                                 "Rename File...=11", "Locate File...=12", "-", "Refresh=13"}));
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFraPlayList test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fraplaylist.moc"
