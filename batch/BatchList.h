#pragma once

#include <QString>

#include <optional>

// A file of a run's list: the entry it came from, its path, and the folders, ending in "/",
// that its outputs go into below each size folder (empty for the size folder itself).
struct TListedFile {
    // Tells the entry apart from every other entry of the list, the same path listed twice
    // included.
    quint64 Key = 0;
    QString Path;
    QString Subfolder;
};

// The file list a run works through. The run takes the entry that is first among those still
// waiting whenever a worker is free, and deletes it once its file is handled; the list may be
// re-sorted meanwhile, so an entry is found again by its key, wherever it now stands.
class IBatchList {
public:
    virtual ~IBatchList() = default;
    // The entries not taken yet.
    virtual int WaitingCount() const = 0;
    // The first entry not taken yet, now marked as under way; nothing when none waits.
    virtual std::optional<TListedFile> TakeNext() = 0;
    // The entry Key, taken before, was handled: it leaves the list.
    virtual void DeleteEntry(quint64 Key) = 0;
    // The entry Key, taken before, was handled but not all its outputs were written. A list
    // may keep it, not to be taken again by this run, so that the user can run it again once
    // the cause is mended; by default it leaves the list.
    virtual void KeepEntry(quint64 Key) { DeleteEntry(Key); }
    // The run is over: a list that shows its changes a little later shows them all now.
    virtual void RunEnded() {}
};
