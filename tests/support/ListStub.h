#pragma once

#include <QStringList>

#include <functional>
#include <vector>

#include "batch/BatchList.h"

namespace vk_test {

// A run's file list as plain paths, in the order given; OnTake runs each time the run takes a
// file, with the count taken so far.
class TListStub : public IBatchList {
public:
    TListStub() = default;
    explicit TListStub(const QStringList& Paths) { Set(Paths); }

    std::function<void(int Taken)> OnTake;
    int Taken = 0;

    void Set(const QStringList& Paths) {
        FEntries.clear();
        for (const QString& path : Paths) {
            FEntries.push_back({FNextKey++, path, false});
        }
    }
    // The entries left, in list order.
    QStringList Paths() const {
        QStringList paths;
        for (const TEntry& entry : FEntries) {
            paths << entry.Path;
        }
        return paths;
    }
    // Sorts the waiting entries by path, as a column click does.
    void SortWaiting() {
        std::stable_sort(FEntries.begin(), FEntries.end(), [](const TEntry& A, const TEntry& B) {
            return A.UnderWay != B.UnderWay ? A.UnderWay : (!A.UnderWay && A.Path < B.Path);
        });
    }

    int WaitingCount() const override {
        return static_cast<int>(std::count_if(FEntries.begin(), FEntries.end(),
                                              [](const TEntry& Entry) { return !Entry.UnderWay; }));
    }
    std::optional<TListedFile> TakeNext() override {
        for (TEntry& entry : FEntries) {
            if (!entry.UnderWay) {
                entry.UnderWay = true;
                ++Taken;
                const TListedFile file{entry.Key, entry.Path, QString()};
                if (OnTake) {
                    OnTake(Taken);
                }
                return file;
            }
        }
        return std::nullopt;
    }
    void DeleteEntry(quint64 Key) override {
        std::erase_if(FEntries, [Key](const TEntry& Entry) { return Entry.Key == Key; });
    }

private:
    struct TEntry {
        quint64 Key;
        QString Path;
        bool UnderWay;
    };
    std::vector<TEntry> FEntries;
    quint64 FNextKey = 1;
};

} // namespace vk_test
