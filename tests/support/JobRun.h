#pragma once

// Runs a batch job to its end from a test, in an event loop of the test's own, and keeps what
// its events told.

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

#include "batch/BatchJob.h"

namespace vk_test {

struct TRunRecord {
    TBatchCounts Counts;
    // The files handled, in the order they were.
    QStringList Handled;
    // "Done of Total", one per file handled.
    QStringList Progress;
    // "source name -> output or folder name", one per output not written.
    QStringList NotWritten;
    QStringList PartlyRead;
    // "lost <path>" for a worker lost over a file, "not supported <path>" for every such file.
    QStringList Reports;
    // The deepest event loop a report came from: a job never runs one of its own.
    int DeepestLoop = 0;
};

// Runs Job, which has not started, to its end.
inline TRunRecord RunToEnd(TBatchJob& Job) {
    TRunRecord record;
    QEventLoop loop;
    QObject::connect(&Job, &TBatchJob::Progress, &loop, [&](int Done, int Total) {
        record.Progress << QStringLiteral("%1 of %2").arg(Done).arg(Total);
        record.DeepestLoop = std::max(record.DeepestLoop, QThread::currentThread()->loopLevel());
    });
    QObject::connect(&Job, &TBatchJob::FileHandled, &loop,
                     [&](const TListedFile& File, const TFileReport& Report) {
                         record.Handled << File.Path;
                         for (const TSizeOutcome& outcome : Report.NotWritten) {
                             QVERIFY(!outcome.Reason.isEmpty());
                             record.NotWritten
                                 << QFileInfo(File.Path).fileName() + QStringLiteral(" -> ") +
                                        QFileInfo(QDir::cleanPath(outcome.OutputPath)).fileName();
                         }
                         if (!Report.PartialReadReason.isEmpty()) {
                             record.PartlyRead << File.Path;
                         }
                         if (Report.WorkerLost) {
                             record.Reports << QStringLiteral("lost ") + File.Path;
                         }
                         if (Report.Outcome == TFileOutcome::NonSupported) {
                             record.Reports << QStringLiteral("not supported ") + File.Path;
                         }
                     });
    QObject::connect(&Job, &TBatchJob::Finished, &loop, [&](const TBatchCounts& Counts) {
        record.Counts = Counts;
        loop.quit();
    });
    Job.Start();
    loop.exec();
    return record;
}

// Runs List through a new job.
inline TRunRecord RunList(IBatchList& List, const TSettings& RunSettings, const QString& Out,
                          const TJobOptions& Options) {
    TBatchJob job(List, RunSettings, Out, Options);
    return RunToEnd(job);
}

} // namespace vk_test
