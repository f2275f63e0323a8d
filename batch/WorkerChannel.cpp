#include "WorkerChannel.h"

#include <cerrno>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

namespace {

constexpr int kWaitSliceMilliseconds = 100;

// Waits until Channel has bytes (or is closed); false when KeepWaiting gave up. KeepWaiting is
// asked before every read, however fast the bytes come: a peer that sends a byte now and then
// must not keep a read going past its deadline. No wait outlasts a slice without asking again.
bool AwaitBytes(int Channel, const TKeepWaiting& KeepWaiting) {
    if (!KeepWaiting) {
        return true; // the read itself blocks
    }
    for (;;) {
        if (!KeepWaiting()) {
            return false;
        }
        pollfd watched = {Channel, POLLIN, 0};
        const int ready = ::poll(&watched, 1, kWaitSliceMilliseconds);
        if (ready != 0 && !(ready < 0 && errno == EINTR)) {
            return true; // bytes, an end, or an error the read will meet
        }
    }
}

TReceiveStatus ReceiveExactly(int Channel, char* Target, std::uint64_t Count,
                              const TKeepWaiting& KeepWaiting) {
    while (Count > 0) {
        if (!AwaitBytes(Channel, KeepWaiting)) {
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

TReceiveResult ReceiveMessage(int Channel, std::uint64_t MaxPayload,
                              const TKeepWaiting& KeepWaiting) {
    TReceiveResult result;
    QByteArray headerBytes(kWorkerHeaderBytes, '\0');
    result.Status = ReceiveExactly(Channel, headerBytes.data(), kWorkerHeaderBytes, KeepWaiting);
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
        ReceiveExactly(Channel, result.Message.Payload.data(), header->Length, KeepWaiting);
    return result;
}
