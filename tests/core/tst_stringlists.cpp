#include <QTest>

#include "core/uTCustomStringList.h"
#include "core/uTRecordList.h"
#include "core/uTStringList.h"
#include "core/uTStringUtils.h"

namespace {
// Counts its own destructions, to see which list frees what.
struct Tracked {
    explicit Tracked(int* counter, int value = 0) : Counter(counter), Value(value) {}
    ~Tracked() { ++*Counter; }
    int* Counter;
    int Value;
};
} // namespace

class TestStringLists : public QObject {
    Q_OBJECT
private slots:
    void nameValueLookupsIgnoreCaseAndTakeTheFirst();
    void linesWithoutSeparatorHaveNoName();
    void insertAndDeleteOutOfRangeAreHarmless();
    void customSortIsStableAndUsesOwnerComparison();
    void sortedListFreesOnlyWhenOwner();
    void keyLookupsKeepFirstMatchThroughEveryChange();
    void customListFreesOnDeleteClearAndDestruction();
    void takenRecordsLeaveLookupsRight();
};

void TestStringLists::nameValueLookupsIgnoreCaseAndTakeTheFirst() {
    TStringList rows('*');
    rows.Add("0*http://a.test/One.mp3");
    rows.Add("1*http://a.test/two.mp3");
    rows.Add("0*http://a.test/dup.mp3");
    QCOMPARE(rows.IndexOfName("0"), 0);
    QCOMPARE(rows.Values("0"), std::string("http://a.test/One.mp3"));
    QCOMPARE(rows.IndexOf("1*HTTP://A.TEST/TWO.MP3"), 1);
    QCOMPARE(rows.IndexOf("2*x"), -1);
    QCOMPARE(rows.Names(1), std::string("1"));
    // The first '*' splits: the value may hold more of them.
    rows.Add("k*a*b");
    QCOMPARE(rows.Values("K"), std::string("a*b"));
}

void TestStringLists::linesWithoutSeparatorHaveNoName() {
    TStringList list('*');
    list.Add("plain");
    list.Add("*value");
    QCOMPARE(list.Names(0), std::string());
    QCOMPARE(list.ValueFromIndex(0), std::string());
    QCOMPARE(list.IndexOfName("plain"), -1);
    QCOMPARE(list.IndexOfName(""), 1);
}

void TestStringLists::insertAndDeleteOutOfRangeAreHarmless() {
    TStringList list;
    list.Insert(5, "b");
    list.Insert(-1, "a");
    list.Delete(7);
    list.Delete(-1);
    QCOMPARE(list.Lines(), (std::vector<std::string>{"a", "b"}));
}

void TestStringLists::customSortIsStableAndUsesOwnerComparison() {
    int values[] = {3, 1, 3, 2};
    TRecordList<int> list;
    list.Add("first three", &values[0]);
    list.Add("one", &values[1]);
    list.Add("second three", &values[2]);
    list.Add("two", &values[3]);
    const auto byValue = [](const auto& a, const auto& b) { return *b.Object - *a.Object; }; // descending
    list.CustomSort(byValue);
    QCOMPARE(list.Strings(0), std::string("first three"));
    QCOMPARE(list.Strings(1), std::string("second three"));
    QCOMPARE(list.Strings(2), std::string("two"));
    QCOMPARE(list.Strings(3), std::string("one"));
    QCOMPARE(list.IndexOf("SECOND THREE"), 1);
}

void TestStringLists::sortedListFreesOnlyWhenOwner() {
    int freed = 0;
    Tracked a(&freed), b(&freed);
    {
        TRecordList<Tracked> list;
        list.Add("a", &a);
        list.Add("b", &b);
        list.Delete(0);
        list.Clear();
    }
    QCOMPARE(freed, 0);
    {
        TRecordList<Tracked> owner(TOwnership::Owned);
        owner.Add("a", std::make_unique<Tracked>(&freed));
        owner.Add("b", std::make_unique<Tracked>(&freed));
        owner.Add("c", std::make_unique<Tracked>(&freed));
        owner.Delete(1);
        QCOMPARE(freed, 1);
    }
    QCOMPARE(freed, 3);
}

// The look-ups go through a hash; whatever happened to the list, they must answer as a scan
// from the top would: the first line whose key matches without regard to ASCII case.
void TestStringLists::keyLookupsKeepFirstMatchThroughEveryChange() {
    const auto scanIndexOf = [](const TStringList& list, std::string_view line) {
        for (int i = 0; i < list.Count(); ++i)
            if (SameTextIgnoringCase(list.Strings(i), line))
                return i;
        return -1;
    };
    TStringList list('*');
    TRecordList<int> records;
    const std::vector<std::string> probes{"a*1", "A*1", "b*2", "x*9", "a*", "", "\xC3\x84*u"};
    const auto check = [&] {
        for (const std::string& probe : probes) {
            QCOMPARE(list.IndexOf(probe), scanIndexOf(list, probe));
            QCOMPARE(records.IndexOf(probe), scanIndexOf(list, probe));
        }
    };
    const auto add = [&](const std::string& line) {
        list.Add(line);
        records.Add(line);
    };
    for (const char* line : {"b*2", "A*1", "a*1", "", "\xC3\xA4*u", "a*"})
        add(line);
    check();
    QCOMPARE(list.IndexOfName("A"), 1);
    QCOMPARE(list.IndexOfName("\xC3\x84"), -1); // only ASCII letters fold
    list.Delete(1);
    records.Delete(1);
    check();
    QCOMPARE(list.IndexOfName("a"), 1);
    list.Insert(0, "A*1");
    records.Insert(0, "A*1");
    check();
    QCOMPARE(list.IndexOfName("a"), 0);
    records.CustomSort([](const auto& x, const auto& y) { return x.Line.compare(y.Line); });
    QCOMPARE(records.IndexOf("A*1"), 1); // "" sorts first, then "A*1", then "a*1"
    list.Assign({"q*1", "Q*2"});
    QCOMPARE(list.IndexOfName("Q"), 0);
    QCOMPARE(list.IndexOf("q*2"), 1);
    add("z*0");
    QCOMPARE(list.IndexOf("Z*0"), 2);
    list.Clear();
    QCOMPARE(list.IndexOf("z*0"), -1);
}

void TestStringLists::customListFreesOnDeleteClearAndDestruction() {
    int freed = 0;
    {
        TCustomStringList<Tracked> list;
        list.Add("a", std::make_unique<Tracked>(&freed));
        list.Add("no object");
        list.Add("b", std::make_unique<Tracked>(&freed));
        list.Add("c", std::make_unique<Tracked>(&freed));
        list.Delete(1); // no object: the line goes, nothing is freed
        QCOMPARE(freed, 0);
        QCOMPARE(list.Count(), 3);
        list.Delete(0);
        QCOMPARE(freed, 1);
        QCOMPARE(list.Strings(0), std::string("b"));
        list.Clear();
        QCOMPARE(freed, 3);
        QCOMPARE(list.Count(), 0);
        list.Add("d", std::make_unique<Tracked>(&freed));
    }
    QCOMPARE(freed, 4);
}

void TestStringLists::takenRecordsLeaveLookupsRight() {
    int freed = 0;
    TRecordList<Tracked> list(TOwnership::Owned);
    for (const char* key : {"a", "b", "c", "d"})
        list.Add(key, std::make_unique<Tracked>(&freed, key[0]));
    QCOMPARE(list.IndexOf("D"), 3); // the look-up is made now
    auto taken = list.TakeIf([](const auto& entry) { return entry.Line == "b" || entry.Line == "d"; });
    // The records leave with the caller, not freed; the rest keep their order and are found
    // where they are now.
    QCOMPARE(freed, 0);
    QCOMPARE(taken.size(), size_t{2});
    QCOMPARE(taken[0]->Value, int('b'));
    QCOMPARE(list.IndexOf("C"), 1);
    QCOMPARE(list.IndexOf("d"), -1);
    taken.clear();
    QCOMPARE(freed, 2);
    // A swap trades the look-ups with the lines.
    TRecordList<Tracked> other(TOwnership::Owned);
    other.Add("x", std::make_unique<Tracked>(&freed));
    QCOMPARE(other.IndexOf("x"), 0);
    list.Swap(other);
    QCOMPARE(list.IndexOf("x"), 0);
    QCOMPARE(list.IndexOf("a"), -1);
    QCOMPARE(other.IndexOf("c"), 1);
}

QTEST_APPLESS_MAIN(TestStringLists)
#include "tst_stringlists.moc"
