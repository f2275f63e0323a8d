#pragma once

#include <QStringList>

#include "batch/BatchRun.h"

namespace vk_test {

// A run's file list as plain paths, in the order given.
class TListStub : public IBatchList {
public:
    QStringList Paths;
    int Count() const override { return static_cast<int>(Paths.size()); }
    QStringList EntryPaths() const override { return Paths; }
    QString FirstPath() const override { return Paths.first(); }
    void DeleteEntry(const QString& Path) override { Paths.removeOne(Path); }
};

} // namespace vk_test
