#pragma once

// What the engine may do with the files it is given. A batch resizer opens files from anywhere,
// so the engine decodes only the raster formats it is allowed by name, runs no scripts or
// external programs, reaches no network, opens no file but its own temporary ones (the binding
// hands it bytes) and bounds what one image may allocate.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// The engine's only place for temporary files (decoders that cannot work from memory spill the
// bytes there): a folder of ours, private to the user, made before the engine starts and removed
// with whatever it holds when the engine stops.
class TEngineTemporaryFolder {
public:
    TEngineTemporaryFolder();
    TEngineTemporaryFolder(const TEngineTemporaryFolder&) = delete;
    TEngineTemporaryFolder& operator=(const TEngineTemporaryFolder&) = delete;

    bool IsValid() const { return FFolder.isValid(); }
    QString Path() const { return FFolder.path(); }

private:
    QTemporaryDir FFolder;
};

// Makes the engine read our resource limits and temporary folder before the system's while it
// starts: these are read once, at start, from the first configuration folder that sets them.
// Lives for the start.
class TEngineStartConfiguration {
public:
    explicit TEngineStartConfiguration(const TEngineTemporaryFolder& Temporary);
    ~TEngineStartConfiguration();
    TEngineStartConfiguration(const TEngineStartConfiguration&) = delete;
    TEngineStartConfiguration& operator=(const TEngineStartConfiguration&) = delete;

private:
    QTemporaryDir FFolder;
    bool FHadVariable;
    QByteArray FOldValue;
};

// Sets the engine's rights (after its start, so they come after any system policy and win) and
// lowers its limits to ours where a system policy left them higher. Without WithRights only the
// limits are set. False when the engine refused the policy; the engine must not be used then.
bool ApplyEngineSecurityPolicy(const TEngineTemporaryFolder& Temporary, bool WithRights);

// Loads the coder of every format the rights allow, which the engine would otherwise load when a
// file first needs it, so that a process can shut the file system before it decodes anything.
// False when a coder the rights allow could not be loaded; the coders an engine build may lack
// (those of HEIC, AVIF, WebP and JPEG XL) are loaded where it has them.
bool LoadAllowedCoders();
