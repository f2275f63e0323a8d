#include "ParallelRun.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "platform/FileNames.h"
#include "platform/Processors.h"

namespace {

constexpr auto kStopCheckInterval = std::chrono::milliseconds(100);

// The order files go out in: the largest first, files of one size in list order.
std::vector<int> LargestFirst(const std::vector<TListedFile>& Files) {
    std::vector<off_t> sizes;
    for (const TListedFile& file : Files) {
        struct stat status = {};
        const bool known = ::stat(EncodeFileName(file.Path).constData(), &status) == 0;
        sizes.push_back(known ? status.st_size : 0);
    }
    std::vector<int> order(static_cast<std::size_t>(Files.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sizes[static_cast<std::size_t>(a)] >
                                                sizes[static_cast<std::size_t>(b)]; });
    return order;
}

// Files between the run's thread and the worker threads: prepared files out, replies back.
class TExchange {
public:
    void Send(int Index, TPreparedFile File) {
        {
            const std::lock_guard lock(FMutex);
            FOutgoing.emplace_back(Index, std::move(File));
        }
        FChanged.notify_all();
    }
    // The next file for a worker thread; false once the run closes the exchange.
    bool Take(int& Index, TPreparedFile& File) {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return FClosed || !FOutgoing.empty(); });
        if (FOutgoing.empty()) {
            return false;
        }
        Index = FOutgoing.front().first;
        File = std::move(FOutgoing.front().second);
        FOutgoing.pop_front();
        return true;
    }
    void Return(int Index, TPreparedFile File, TWorkerReply Reply) {
        {
            const std::lock_guard lock(FMutex);
            File.Request.Source.clear(); // the bytes are not needed any more
            FReturned.emplace(Index, std::make_pair(std::move(File), std::move(Reply)));
        }
        FChanged.notify_all();
    }
    // The files no worker has taken yet, given back: they are not started.
    std::vector<int> Withdraw() {
        const std::lock_guard lock(FMutex);
        std::vector<int> indexes;
        for (const auto& [index, file] : FOutgoing) {
            indexes.push_back(index);
        }
        FOutgoing.clear();
        return indexes;
    }
    // Waits a little for a returned file; the returned files so far.
    std::map<int, std::pair<TPreparedFile, TWorkerReply>> Collect() {
        std::unique_lock lock(FMutex);
        FChanged.wait_for(lock, kStopCheckInterval, [this] { return !FReturned.empty(); });
        return std::exchange(FReturned, {});
    }
    void Close() {
        {
            const std::lock_guard lock(FMutex);
            FClosed = true;
        }
        FChanged.notify_all();
    }

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<std::pair<int, TPreparedFile>> FOutgoing;
    std::map<int, std::pair<TPreparedFile, TWorkerReply>> FReturned;
    bool FClosed = false;
};

// Closes the exchange and joins the worker threads on every way out.
class TWorkerThreads {
public:
    explicit TWorkerThreads(TExchange& Exchange) : FExchange(Exchange) {}
    ~TWorkerThreads() {
        FExchange.Close();
        for (std::thread& thread : FThreads) {
            thread.join();
        }
    }
    TWorkerThreads(const TWorkerThreads&) = delete;
    TWorkerThreads& operator=(const TWorkerThreads&) = delete;

    void Add(std::unique_ptr<TWorkerClient> Client) {
        FThreads.emplace_back([this, client = std::move(Client)] {
            int index = 0;
            TPreparedFile file;
            while (FExchange.Take(index, file)) {
                TWorkerReply reply = client->Make(file.Request);
                FExchange.Return(index, std::move(file), std::move(reply));
            }
        });
    }

private:
    TExchange& FExchange;
    std::vector<std::thread> FThreads;
};

} // namespace

TParallelRun::TParallelRun(TFileWork& Work, const TWorkerSettings& Workers, int Jobs)
    : FWork(Work), FWorkers(Workers), FJobs(std::max(Jobs, 1)) {
    if (FWorkers.EngineThreads == 0) {
        FWorkers.EngineThreads = std::max(1, UsableProcessorCount() / FJobs);
    }
}

void TParallelRun::Execute(const std::vector<TListedFile>& Files,
                           const std::function<bool()>& Stopped,
                           const std::function<void(const QString&, const TFileReport&)>& Handled,
                           const std::function<void()>& AllHandled) {
    const int count = static_cast<int>(Files.size());
    const int jobs = std::min(FJobs, count);
    TExchange exchange;
    TWorkerThreads threads(exchange);
    // The workers start side by side: each loads the engine and its coders.
    std::vector<std::unique_ptr<TWorkerClient>> clients;
    std::vector<std::future<void>> starting;
    for (int i = 0; i < jobs; ++i) {
        clients.push_back(std::make_unique<TWorkerClient>(FWorkers));
        starting.push_back(std::async(std::launch::async, &TWorkerClient::Start, clients.back().get()));
    }
    for (std::future<void>& started : starting) {
        started.get(); // raises what a start raised
    }
    for (std::unique_ptr<TWorkerClient>& client : clients) {
        threads.Add(std::move(client));
    }

    const std::vector<int> order = LargestFirst(Files);
    std::vector<bool> started(static_cast<std::size_t>(count), false);
    // Files back from their worker (or never sent to one), waiting for their turn.
    std::map<int, std::pair<TPreparedFile, TWorkerReply>> waiting;
    std::size_t nextOut = 0;
    int nextHandled = 0;
    int underWay = 0;
    // A file waits read for each worker, so that no worker waits while the run reads its next.
    const int mostUnderWay = 2 * jobs;
    bool stopping = false;
    while (nextHandled < count) {
        if (!stopping && Stopped()) {
            stopping = true;
            for (const int index : exchange.Withdraw()) {
                started[static_cast<std::size_t>(index)] = false;
                --underWay;
            }
        }
        while (!stopping && underWay < mostUnderWay && nextOut < order.size()) {
            const int index = order[nextOut++];
            started[static_cast<std::size_t>(index)] = true;
            TPreparedFile file = PrepareGuarded(Files[static_cast<std::size_t>(index)]);
            if (file.NeedsWorker) {
                exchange.Send(index, std::move(file));
                ++underWay;
            } else {
                waiting.emplace(index, std::make_pair(std::move(file), TWorkerReply()));
            }
        }
        // In list order, so that names are decided as one file at a time decides them; a file
        // not started before a stop is passed over.
        for (;;) {
            while (nextHandled < count && stopping &&
                   !started[static_cast<std::size_t>(nextHandled)]) {
                ++nextHandled;
            }
            const auto ready = waiting.find(nextHandled);
            if (ready == waiting.end()) {
                break;
            }
            TPreparedFile& file = ready->second.first;
            if (file.NeedsWorker) {
                FinishGuarded(file, ready->second.second);
            }
            Handled(file.Path, file.Report);
            waiting.erase(ready);
            ++nextHandled;
        }
        if (nextHandled < count) {
            for (auto& [index, returned] : exchange.Collect()) {
                --underWay;
                waiting.emplace(index, std::move(returned));
            }
        }
    }
    // The workers are told to end first: they take a while to give their memory back.
    exchange.Close();
    AllHandled();
}

TPreparedFile TParallelRun::PrepareGuarded(const TListedFile& File) const {
    try {
        return FWork.Prepare(File);
    } catch (...) {
        // Whatever went wrong with this file (out of memory), the run goes on.
        TPreparedFile file;
        file.Path = File.Path;
        return file;
    }
}

void TParallelRun::FinishGuarded(TPreparedFile& File, const TWorkerReply& Reply) {
    try {
        FWork.Finish(File, Reply);
    } catch (...) {
        File.Report.Outcome = TFileOutcome::NonSupported;
    }
}
