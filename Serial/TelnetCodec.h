// The telnet side of a network port that takes serial settings: data bytes
// in and out with 0xFF doubled (and CR NUL where a direction is not binary),
// option negotiation answered as a telnet client must, and the device
// server's answers to the COM port option kept for the caller to check.
// Bytes only: the socket belongs to the caller.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "SerialTypes.h"

class CTelnetCodec {
public:
    static constexpr BYTE IAC = 255;
    static constexpr BYTE DONT = 254;
    static constexpr BYTE DO = 253;
    static constexpr BYTE WONT = 252;
    static constexpr BYTE WILL = 251;
    static constexpr BYTE SB = 250;
    static constexpr BYTE SE = 240;
    static constexpr BYTE OPT_BINARY = 0;
    static constexpr BYTE OPT_SGA = 3;
    static constexpr BYTE OPT_COM_PORT = 44;
    // COM port commands; the server answers each with the number plus 100.
    static constexpr BYTE CPO_SET_BAUDRATE = 1;
    static constexpr BYTE CPO_SET_DATASIZE = 2;
    static constexpr BYTE CPO_SET_PARITY = 3;
    static constexpr BYTE CPO_SET_STOPSIZE = 4;
    static constexpr BYTE CPO_SET_CONTROL = 5;
    static constexpr BYTE CPO_SERVER_OFFSET = 100;

    // A fresh connection: nothing enabled, nothing asked.
    CTelnetCodec();

    // What a client asks for at once: to do the COM port option, and binary
    // and no go-ahead both ways.
    std::vector<BYTE> Greeting();
    // Data bytes escaped for the wire.
    void Encode(const BYTE* pData, std::size_t nLen, std::vector<BYTE>& out) const;
    // Takes bytes from the wire; writes the data bytes among them to pOut
    // (never more than nLen) and returns their count. Negotiation answers
    // collect in the reply buffer.
    std::size_t Decode(const BYTE* pIn, std::size_t nLen, BYTE* pOut);
    // Answers owed to the server, emptied by the call.
    std::vector<BYTE> TakeReplies();
    // A COM port command with its value bytes, escaped and framed.
    static std::vector<BYTE> ComPortCommand(BYTE bCommand, const std::vector<BYTE>& value);

    bool IsComPortOn() const { return m_abUs[OPT_COM_PORT]; }
    // The server said it will not take the COM port option.
    bool IsComPortRefused() const { return m_bComPortRefused; }
    // The last answer to bCommand (a client command number); false while none.
    bool GetAnswer(BYTE bCommand, std::vector<BYTE>& value) const;
    void ForgetAnswers();

private:
    enum class State { Data, Iac, Verb, Sub, SubIac };
    static bool WeAccept(BYTE bOption);
    static bool HeMayDo(BYTE bOption);
    void Negotiate(BYTE bVerb, BYTE bOption);
    void Reply(BYTE bVerb, BYTE bOption);
    void EndSubnegotiation();

    State m_state = State::Data;
    BYTE m_bVerb = 0;
    bool m_bAfterCr = false;               // the server's CR NUL when it does not send binary
    std::array<bool, 256> m_abUs{};        // options on at our side
    std::array<bool, 256> m_abHim{};       // options on at the server's side
    std::array<bool, 256> m_abUsAsked{};   // WILL sent, no answer yet
    std::array<bool, 256> m_abHimAsked{};  // DO sent, no answer yet
    bool m_bComPortRefused = false;
    std::vector<BYTE> m_sub;
    std::vector<BYTE> m_replies;
    std::array<std::vector<BYTE>, 256> m_aAnswers;
    std::array<bool, 256> m_abAnswered{};
};
