#include "TelnetCodec.h"

namespace {
constexpr BYTE CR = 0x0D;
constexpr BYTE NUL = 0x00;
// No COM port answer is longer; a longer subnegotiation is not ours to keep.
constexpr std::size_t MAX_SUB_LEN = 64;
}  // namespace

CTelnetCodec::CTelnetCodec() = default;

std::vector<BYTE> CTelnetCodec::Greeting()
{
    std::vector<BYTE> out;
    for (BYTE bOption : {OPT_COM_PORT, OPT_BINARY, OPT_SGA}) {
        m_abUsAsked[bOption] = true;
        out.insert(out.end(), {IAC, WILL, bOption});
    }
    for (BYTE bOption : {OPT_BINARY, OPT_SGA}) {
        m_abHimAsked[bOption] = true;
        out.insert(out.end(), {IAC, DO, bOption});
    }
    return out;
}

void CTelnetCodec::Encode(const BYTE* pData, std::size_t nLen, std::vector<BYTE>& out) const
{
    out.reserve(out.size() + nLen + nLen / 8 + 3);
    for (std::size_t i = 0; i < nLen; ++i) {
        out.push_back(pData[i]);
        if (pData[i] == IAC)
            out.push_back(IAC);
        else if (pData[i] == CR && !m_abUs[OPT_BINARY])
            out.push_back(NUL);
    }
}

std::size_t CTelnetCodec::Decode(const BYTE* pIn, std::size_t nLen, BYTE* pOut)
{
    std::size_t nOut = 0;
    for (std::size_t i = 0; i < nLen; ++i) {
        const BYTE b = pIn[i];
        switch (m_state) {
        case State::Data:
            if (b == IAC) {
                m_state = State::Iac;
                break;
            }
            if (m_bAfterCr && b == NUL) {
                m_bAfterCr = false;
                break;
            }
            m_bAfterCr = b == CR && !m_abHim[OPT_BINARY];
            pOut[nOut++] = b;
            break;
        case State::Iac:
            m_state = State::Data;
            if (b == IAC) {
                m_bAfterCr = false;
                pOut[nOut++] = b;
            } else if (b == WILL || b == WONT || b == DO || b == DONT) {
                m_bVerb = b;
                m_state = State::Verb;
            } else if (b == SB) {
                m_sub.clear();
                m_state = State::Sub;
            }
            // Other commands (NOP, data mark, go-ahead ...) carry no data.
            break;
        case State::Verb:
            Negotiate(m_bVerb, b);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == IAC)
                m_state = State::SubIac;
            else if (m_sub.size() < MAX_SUB_LEN)
                m_sub.push_back(b);
            break;
        case State::SubIac:
            if (b == SE) {
                EndSubnegotiation();
                m_state = State::Data;
            } else {
                if (m_sub.size() < MAX_SUB_LEN)
                    m_sub.push_back(b);
                m_state = State::Sub;
            }
            break;
        }
    }
    return nOut;
}

std::vector<BYTE> CTelnetCodec::TakeReplies()
{
    std::vector<BYTE> out;
    out.swap(m_replies);
    return out;
}

std::vector<BYTE> CTelnetCodec::ComPortCommand(BYTE bCommand, const std::vector<BYTE>& value)
{
    std::vector<BYTE> out{IAC, SB, OPT_COM_PORT, bCommand};
    for (BYTE b : value) {
        out.push_back(b);
        if (b == IAC)
            out.push_back(IAC);
    }
    out.insert(out.end(), {IAC, SE});
    return out;
}

bool CTelnetCodec::GetAnswer(BYTE bCommand, std::vector<BYTE>& value) const
{
    if (!m_abAnswered[bCommand])
        return false;
    value = m_aAnswers[bCommand];
    return true;
}

void CTelnetCodec::ForgetAnswers()
{
    m_abAnswered.fill(false);
}

bool CTelnetCodec::WeAccept(BYTE bOption)
{
    return bOption == OPT_COM_PORT || bOption == OPT_BINARY || bOption == OPT_SGA;
}

bool CTelnetCodec::HeMayDo(BYTE bOption)
{
    return bOption == OPT_BINARY || bOption == OPT_SGA;
}

void CTelnetCodec::Reply(BYTE bVerb, BYTE bOption)
{
    m_replies.insert(m_replies.end(), {IAC, bVerb, bOption});
}

// A request is answered only when it changes a state: acknowledging a mode
// already in force would set both sides answering each other for ever.
void CTelnetCodec::Negotiate(BYTE bVerb, BYTE bOption)
{
    const bool bAsked = bVerb == DO || bVerb == DONT ? m_abUsAsked[bOption] : m_abHimAsked[bOption];
    switch (bVerb) {
    case DO:
        m_abUsAsked[bOption] = false;
        if (!WeAccept(bOption)) {
            Reply(WONT, bOption);
        } else if (!m_abUs[bOption]) {
            m_abUs[bOption] = true;
            if (!bAsked)
                Reply(WILL, bOption);
        }
        break;
    case DONT:
        m_abUsAsked[bOption] = false;
        if (bOption == OPT_COM_PORT)
            m_bComPortRefused = true;
        if (m_abUs[bOption]) {
            m_abUs[bOption] = false;
            Reply(WONT, bOption);
        }
        break;
    case WILL:
        m_abHimAsked[bOption] = false;
        if (!HeMayDo(bOption)) {
            Reply(DONT, bOption);
        } else if (!m_abHim[bOption]) {
            m_abHim[bOption] = true;
            if (!bAsked)
                Reply(DO, bOption);
        }
        break;
    case WONT:
        m_abHimAsked[bOption] = false;
        if (m_abHim[bOption]) {
            m_abHim[bOption] = false;
            Reply(DONT, bOption);
        }
        break;
    default:
        break;
    }
}

void CTelnetCodec::EndSubnegotiation()
{
    if (m_sub.size() < 2 || m_sub[0] != OPT_COM_PORT || m_sub[1] < CPO_SERVER_OFFSET)
        return;
    const BYTE bCommand = static_cast<BYTE>(m_sub[1] - CPO_SERVER_OFFSET);
    m_aAnswers[bCommand].assign(m_sub.begin() + 2, m_sub.end());
    m_abAnswered[bCommand] = true;
}
