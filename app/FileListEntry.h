#pragma once

#include <QByteArrayView>
#include <QString>

// One listed file as the list shows it: four texts in column order and the row's icon. The full
// path is not stored; EntryFullPath rebuilds it.
struct FileListEntry {
    // The name without its folder and its last extension; the row's caption.
    QString FileName;
    // The last extension without its dot, letter case as on disk; empty when there is none.
    QString FileType;
    // The size in bytes, in decimal, followed by "  B".
    QString SizeText;
    // The folder, ending in "/".
    QString Folder;
    // 0 to 5, from IconIndexForExtension.
    int IconIndex = 5;
    // Given by the list, and never given to another of its entries: a run finds the entry by it.
    quint64 Key = 0;
    // Taken by a run, which deletes the entry once the file is handled.
    bool UnderWay = false;
    // Handled by the run under way, but kept: not all its outputs were written.
    bool Kept = false;
};

// The entry of the file at Path, of Size bytes. A name that ends in its only dot ("notes.") has
// no extension and keeps the dot in FileName, so the path comes back as it was.
FileListEntry EntryForPath(const QString& Path, qint64 Size);

// Folder + FileName + "." + FileType; without the dot when FileType is empty.
QString EntryFullPath(const FileListEntry& Entry);

// "2048  B" for 2048.
QString SizeText(qint64 Size);

// The size written in a SizeText.
qint64 SizeFromText(const QString& Text);

// The row icon of an extension given with its dot: exact, case-sensitive matches of the
// lower-case forms; 5 for anything else.
int IconIndexForExtension(const QString& Extension);

// Byte by byte after folding the ASCII letters a to z to upper case: the difference of the first
// pair of folded bytes that differ, or else of the lengths. Only the sign is meant to be used.
int CompareText(QByteArrayView A, QByteArrayView B);
