// Switchable misbehaviour of the virtual processor, and the reasons it
// turns a frame away.
#pragma once

// What happens to the answers while a fault is set. The device's state
// changes the same way in every mode; only the bytes on the line differ.
enum class SimFault {
    None,
    Silent,      // no answer at all
    BadTrailer,  // the answer's last byte is not 0xAA
    Garbage,     // junk before the answer that never forms a frame
    Split,       // the answer in small pieces with pauses between them
    Late,        // the answer after a long pause (past the program's resend)
    HangUp,      // instead of answering, the line drops (the transport hangs up)
};

// Why the last frame got no answer.
enum class SimReject {
    None,
    UnknownCommand,  // FF FF FF followed by a byte no frame starts with
    BadTrailer,      // the frame's last byte is not 0xAA
    BadChecksum,
    BadIndex,    // channel, slot or frame index outside the device
    BadCopy,     // the index copies do not match bytes 4/5
    OutOfRange,  // a value outside what the device accepts
    Truncated,   // the line went quiet in the middle of a frame
};
