#include "WorkerChannel.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr int kWaitSliceMilliseconds = 100;
// What one pass takes from a relay, so that a flood does not hold off the next look at
// KeepWaiting.
constexpr std::size_t kRelayChunkBytes = 16 * 1024;

void WriteAll(int Target, const char* Bytes, std::size_t Count) {
    while (Count > 0) {
        const ssize_t written = ::write(Target, Bytes, Count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return; // nowhere to pass them on to: they are dropped
        }
        Bytes += written;
        Count -= static_cast<std::size_t>(written);
    }
}

// Passes on one read's worth of Relay, if there is any now.
void PassOnSome(TRelay& Relay) {
    char buffer[kRelayChunkBytes];
    const ssize_t got = ::read(Relay.From, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (got <= 0) {
        Relay.Ended = true;
        return;
    }
    const auto kept =
        static_cast<std::size_t>(std::min(Relay.Left, static_cast<std::uint64_t>(got)));
    if (Relay.To >= 0) {
        WriteAll(Relay.To, buffer, kept);
    }
    Relay.Left -= kept;
}

// Waits until Channel has bytes (or is closed); false when KeepWaiting gave up. KeepWaiting is
// asked before every read, however fast the bytes come: a peer that sends a byte now and then
// must not keep a read going past its deadline. No wait outlasts a slice without asking again.
bool AwaitBytes(int Channel, const TKeepWaiting& KeepWaiting, TRelay* Relay) {
    if (!KeepWaiting && Relay == nullptr) {
        return true; // the read itself blocks
    }
    for (;;) {
        if (KeepWaiting && !KeepWaiting()) {
            return false;
        }
        const bool relaying = Relay != nullptr && !Relay->Ended && Relay->From >= 0;
        pollfd watched[2] = {{Channel, POLLIN, 0}, {relaying ? Relay->From : -1, POLLIN, 0}};
        const int ready = ::poll(watched, 2, KeepWaiting ? kWaitSliceMilliseconds : -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (relaying && watched[1].revents != 0) {
            PassOnSome(*Relay);
        }
        if (ready < 0 || watched[0].revents != 0) {
            return true; // bytes, an end, or an error the read will meet
        }
    }
}

TReceiveStatus ReceiveExactly(int Channel, char* Target, std::uint64_t Count,
                              const TKeepWaiting& KeepWaiting, TRelay* Relay) {
    while (Count > 0) {
        if (!AwaitBytes(Channel, KeepWaiting, Relay)) {
            return TReceiveStatus::GaveUp;
        }
        const ssize_t got = ::recv(Channel, Target, Count, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return TReceiveStatus::Closed;
        }
        Target += got;
        Count -= static_cast<std::uint64_t>(got);
    }
    return TReceiveStatus::Received;
}

} // namespace

bool SendMessage(int Channel, TWorkerMessage Kind, std::initializer_list<QByteArrayView> Parts) {
    std::uint64_t length = 0;
    for (const QByteArrayView part : Parts) {
        length += static_cast<std::uint64_t>(part.size());
    }
    const QByteArray header = MessageHeader(Kind, length);
    std::vector<iovec> pieces;
    pieces.push_back({const_cast<char*>(header.constData()), kWorkerHeaderBytes});
    for (const QByteArrayView part : Parts) {
        if (!part.isEmpty()) {
            pieces.push_back(
                {const_cast<char*>(part.data()), static_cast<std::size_t>(part.size())});
        }
    }
    std::size_t first = 0;
    while (first < pieces.size()) {
        msghdr message = {};
        message.msg_iov = pieces.data() + first;
        message.msg_iovlen = pieces.size() - first;
        const ssize_t sent = ::sendmsg(Channel, &message, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        // Steps past what went out: whole pieces, then part of the next.
        auto left = static_cast<std::size_t>(sent);
        while (first < pieces.size() && left >= pieces[first].iov_len) {
            left -= pieces[first].iov_len;
            ++first;
        }
        if (left > 0) {
            pieces[first].iov_base = static_cast<char*>(pieces[first].iov_base) + left;
            pieces[first].iov_len -= left;
        }
    }
    return true;
}

void PassOnToEnd(TRelay& Relay, std::chrono::milliseconds Patience) {
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    while (!Relay.Ended && Relay.From >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        pollfd watched = {Relay.From, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            PassOnSome(Relay);
        } else if (ready < 0 && errno != EINTR) {
            Relay.Ended = true;
        }
    }
}

TReceiveResult ReceiveMessage(int Channel, std::uint64_t MaxPayload,
                              const TKeepWaiting& KeepWaiting, TRelay* Relay) {
    TReceiveResult result;
    QByteArray headerBytes(kWorkerHeaderBytes, '\0');
    result.Status =
        ReceiveExactly(Channel, headerBytes.data(), kWorkerHeaderBytes, KeepWaiting, Relay);
    if (result.Status != TReceiveStatus::Received) {
        return result;
    }
    const std::optional<TWorkerHeader> header = ParseHeader(headerBytes, MaxPayload);
    if (!header) {
        result.Status = TReceiveStatus::Malformed;
        return result;
    }
    result.Message.Kind = header->Kind;
    result.Message.Payload.resize(static_cast<qsizetype>(header->Length));
    result.Status =
        ReceiveExactly(Channel, result.Message.Payload.data(), header->Length, KeepWaiting, Relay);
    return result;
}
