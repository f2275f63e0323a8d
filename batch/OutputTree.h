#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "batch/OutputSize.h"
#include "platform/SafeWrite.h"

// The most bytes a file name may have on the file systems a run writes to (NAME_MAX).
inline constexpr qsizetype kMaxFileNameBytes = 255;

// The file an output goes to, and whether its name was shortened to fit kMaxFileNameBytes.
struct TOutputName {
    QString Path;
    bool Shortened = false;
};

// "Resized Images/" in the desktop folder: where a run writes unless told otherwise. Raises as
// GetDesktopFolder does.
QString DefaultOutputRoot();
// The output folder the settings name, as an absolute path ending in "/"; DefaultOutputRoot
// when they name none.
QString OutputRootFor(const TSettings& RunSettings);

// Where one run writes: the output root, a folder per size below it, and the names the run has
// written so far, so that two sources never write the same file within one run.
class TOutputTree {
public:
    // Root is the output root; a missing trailing "/" is added.
    explicit TOutputTree(const QString& Root);

    const QString& Root() const { return FRoot; }
    // The root followed by the size's folder name and "/", then Subfolder: relative folders
    // ending in "/" that a source's outputs go into, or empty.
    QString SizeFolder(TOutputSize Size, const QString& Subfolder = {}) const;
    // Makes the root (with every missing level) and opens it. On failure the result holds the
    // system's reason.
    SafeWrite::TOpenedFolder OpenRoot() const;
    // Makes the size's folder in Root, as OpenRoot gave it, and each level of Subfolder below
    // that (names of real folders, never "." or ".."), and opens the last. A link planted at any
    // of these folders is replaced by a real folder, never followed out of the root. On failure,
    // the root's included, the result holds the system's reason.
    static SafeWrite::TOpenedFolder OpenSizeFolderIn(const SafeWrite::TOpenedFolder& Root,
                                                     TOutputSize Size,
                                                     const QString& Subfolder = {});
    // OpenRoot, then OpenSizeFolderIn it.
    SafeWrite::TOpenedFolder OpenSizeFolder(TOutputSize Size, const QString& Subfolder = {}) const;
    // Brings everything written below the root to the disk, once for a whole run: outputs are
    // not flushed one by one. Empty when that succeeded or the root was never made; otherwise
    // the system's reason, and the outputs may not survive a crash of the machine.
    QString FlushToDisk() const;

    // The file that SourcePath makes in Size: the size folder (with Subfolder), the prefix, the
    // source's file name without its extension (the text from the name's last ".") and "."
    // Extension. If another source of this run already wrote that file, " (2)", " (3)", ... goes
    // before the extension; the same source gets back the file it wrote before. A name longer
    // than kMaxFileNameBytes keeps its prefix, number and extension and loses the end of the
    // source's name, whole characters of it, as far as needed.
    TOutputName OutputPath(const QString& SourcePath, TOutputSize Size,
                           const QString& Subfolder = {},
                           const QString& Extension = QStringLiteral("jpg")) const;
    // Records that SourcePath wrote OutputPath.
    void Claim(const QString& OutputPath, const QString& SourcePath);

    // The root and every size's folder, made or not: what a folder scan leaves out, so that
    // outputs are never taken for sources.
    QStringList OwnFolders() const;
    // Makes the folder of every size the settings switch on, before a run decodes anything;
    // the first failure as "<folder>: <reason>", or an empty text.
    QString MakeSizeFolders(const TSettings& RunSettings) const;

private:
    // One file reached by two spellings (a link, "./") is still the same source.
    static QString SourceKey(const QString& SourcePath);
    // Paths are remembered by a 64-bit digest: a run over a hundred thousand files keeps a few
    // megabytes of names, not a copy of every path.
    static quint64 Digest(const QString& Text);

    QString FRoot;
    // The root as first made, held open so that the flush at the end hears of every write to
    // its file system that failed since.
    mutable SafeWrite::TFolder FRootFolder;
    QHash<quint64, quint64> FOwners; // output path -> source key, as digests
};
