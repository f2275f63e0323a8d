#pragma once

// Sending and receiving whole protocol messages on a stream socket.

#include <QByteArray>
#include <QByteArrayView>

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

// Receives one message of at most MaxPayload bytes: Closed when the other side closed the
// channel (before or within a message), Malformed for a malformed header or too long a payload,
// GaveUp when KeepWaiting gave up. Without KeepWaiting it waits as long as it takes.
TReceiveResult ReceiveMessage(int Channel, std::uint64_t MaxPayload,
                              const TKeepWaiting& KeepWaiting = {});
