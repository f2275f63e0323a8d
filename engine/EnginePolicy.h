#pragma once

// What the engine may do with the files it is given. A batch resizer opens files from anywhere,
// so the engine runs no scripts or external programs, reaches no network, opens no file by name
// (the binding hands it bytes) and bounds what one image may allocate.

#include <QByteArray>
#include <QTemporaryDir>

// Makes the engine read our resource limits before the system's while it starts: the limits are
// read once, at start, from the first configuration folder that sets them. Lives for the start.
class TEngineStartConfiguration {
public:
    TEngineStartConfiguration();
    ~TEngineStartConfiguration();
    TEngineStartConfiguration(const TEngineStartConfiguration&) = delete;
    TEngineStartConfiguration& operator=(const TEngineStartConfiguration&) = delete;

private:
    QTemporaryDir Folder;
    bool HadVariable;
    QByteArray OldValue;
};

// Sets the engine's rights (after its start, so they come after any system policy and win) and
// lowers its limits to ours where a system policy left them higher. False when the engine
// refused the policy; the engine must not be used then.
bool ApplyEngineSecurityPolicy();
