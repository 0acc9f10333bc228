#pragma once

// What the window's tests share: the program's services in a folder of the test's own, a
// test's answers to what the window asks, and a player that only records.

#include <optional>
#include <string>
#include <vector>

#include <QItemSelectionModel>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include "core/uTFileUtils.h"
#include "app/uProgram.h"
#include "core/uTAppOptions.h"
#include "core/uTStringList.h"
#include "ui/models/uListModel.h"
#include "ui/models/uListProxy.h"
#include "ui/widgets/uMediaPlayer.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uPrompts.h"
#include "ui/pages/uServices.h"

// Answers at once and records what was asked: `Answer` to every question, `Text` to the
// input box, `Folder` to the folder browser (nothing: cancelled).
class TTestPrompts : public TPrompts {
public:
    QStringList Told;
    QList<QMessageBox::Icon> Icons;
    QStringList Asked;
    QList<bool> NoByDefault;
    QList<bool> Answers; // given in turn; once none is left, Answer
    bool Answer = false;
    std::optional<QString> Text;
    std::optional<std::string> Folder;

    void Tell(QWidget*, QMessageBox::Icon icon, const QString& text) override {
        Told << text;
        Icons << icon;
    }
    QList<TAnswers> AnswersOffered;
    bool Ask(QWidget*, const QString& question, const TAnswers& answers, bool noByDefault) override {
        Asked << question;
        AnswersOffered << answers;
        NoByDefault << noByDefault;
        return Answers.isEmpty() ? Answer : Answers.takeFirst();
    }
    std::optional<QString> AskText(QWidget*, const QString& title, const QString& label,
                                   const QString& text) override {
        Asked << title + QStringLiteral(": ") + label + QStringLiteral(" [") + text + QStringLiteral("]");
        return Text;
    }
    std::optional<std::string> AskFolder(QWidget*, const std::string& start) override {
        Asked << QStringLiteral("folder: ") + QString::fromStdString(start);
        return Folder;
    }
};

// Records what the page asks of the player.
class TFakePlayer : public TMediaPlayer {
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
    State PlaybackState() const override { return m_source.empty() ? State::Stopped : State::Playing; }
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

// Settings and an application folder (with its data folder) of a test's own.
class TTestFolders {
public:
    TTestFolders() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        CreateDir(Folder() + "data");
    }
    std::string Folder() const { return m_folder.path().toStdString() + "/"; }

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_folder;
};

// The program's services as its composition root builds them, in folders of the test's own,
// ended again at the end.
class TTestProgram : public TTestFolders, public TProgram {
public:
    TTestProgram() : TProgram(Folder()) {}
    TTestProgram(const TTestProgram&) = delete;
    TTestProgram& operator=(const TTestProgram&) = delete;

    TServices Services() { return TProgram::Services(Prompts); }

    TTestPrompts Prompts;
};

// Selects the list's rows that show the model's rows `rows` (none: clears the selection).
inline void SelectRows(TPageList& list, const std::vector<int>& rows) {
    QItemSelection selection;
    for (const int row : rows) {
        const QModelIndex shown = list.Proxy()->mapFromSource(list.Model()->index(row, 0));
        selection.select(shown, shown);
    }
    list.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// The text of the cell in `column` of every row, in the order the list shows them.
inline QStringList ShownColumn(const TPageList& list, int column, int role = Qt::DisplayRole) {
    QStringList cells;
    for (int row = 0; row < list.Proxy()->rowCount(); ++row)
        cells << list.Proxy()->index(row, column).data(role).toString();
    return cells;
}
