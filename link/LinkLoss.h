// Why a connection ended without being asked to, so the user can be told
// more than that it did.
#pragma once

enum class LinkLoss {
    None,              // still connected, or disconnected on purpose
    NoAnswer,          // the head went unanswered and nothing came at all
    StoppedAnswering,  // as NoAnswer, but the device had answered on this connection
    DamagedAnswers,    // bytes came, but never the answer the head waits for
                       // (damaged frames, or answers to other requests)
    HungUp,            // the line was hung up (adapter unplugged, far end gone)
};
