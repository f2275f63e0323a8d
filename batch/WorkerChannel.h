#pragma once

// Sending and receiving whole protocol messages on a stream socket.

#include <QByteArray>
#include <QByteArrayView>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "batch/WorkerProtocol.h"

struct TReceivedMessage {
    TWorkerMessage Kind = TWorkerMessage::Ready;
    QByteArray Payload;
};

// Sends one message whose payload is Parts, one after another, each sent from where it lies;
// false when the other side is gone. Never raises SIGPIPE.
bool SendMessage(int Channel, TWorkerMessage Kind, std::initializer_list<QByteArrayView> Parts);

// Called before every read of a message awaited, and at least ten times a second while no bytes
// come; returning false gives up. Called that often, it must be cheap.
using TKeepWaiting = std::function<bool()>;

enum class TReceiveStatus { Received, Closed, Malformed, GaveUp };

struct TReceiveResult {
    TReceiveStatus Status = TReceiveStatus::Closed;
    TReceivedMessage Message;
};

// Bytes passed on from one descriptor to another while a message is awaited, as they come, so
// that the writer of From never waits on it: the other side's diagnostics, passed on to our own
// standard error. From must not block. At most Left bytes are passed on; the rest are read and
// dropped, so that a flood of them fills no disk.
struct TRelay {
    int From = -1;
    int To = -1;
    std::uint64_t Left = ~std::uint64_t{0};
    // Set once From is at its end (its writer closed it) or failed; it is not read again.
    bool Ended = false;
};

// Passes on what comes on From until its writer closes it, or for Patience at most (the writer
// may have left its end to a process that lives on).
void PassOnToEnd(TRelay& Relay, std::chrono::milliseconds Patience);

// Receives one message of at most MaxPayload bytes: Closed when the other side closed the
// channel (before or within a message), Malformed for a malformed header or too long a payload,
// GaveUp when KeepWaiting gave up. Without KeepWaiting it waits as long as it takes. With Relay,
// what arrives on its From is passed on meanwhile.
TReceiveResult ReceiveMessage(int Channel, std::uint64_t MaxPayload,
                              const TKeepWaiting& KeepWaiting = {}, TRelay* Relay = nullptr);
