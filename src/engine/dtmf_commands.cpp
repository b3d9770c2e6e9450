// DTMF forwarding and the command operations a tone handler calls.
#include "api/log.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/globals.h"

namespace app {

command_processor::dtmf::dtmf(unsigned int nSampleRate)
    : m_detector(this, nSampleRate), m_forward(nullptr), m_pKeyForward(nullptr), m_nDecoded(0)
{
}

command_processor::dtmf::~dtmf() = default;

void command_processor::dtmf::on_tone(int nTone)
{
    if (m_forward != nullptr) {
        m_forward->on_tone(nTone);
    }
}

void command_processor::dtmf::on_key(int nTone, std::uint64_t nOnset, std::uint64_t nEnd)
{
    if (m_pKeyForward != nullptr) {
        m_pKeyForward->on_key(nTone, nOnset, nEnd);
    }
}

void command_processor::dtmf::feed(const float* pSamples, unsigned int nCount, unsigned int nChannelCount)
{
    if (m_forward != nullptr && (nChannelCount == 1 || m_pKeyForward != nullptr)) {
        // Samples decoded while nobody listened were never analysed; the
        // detector picks up at the stream's position with a fresh analysis.
        if (m_detector.position() != m_nDecoded) {
            m_detector.skip(m_nDecoded - m_detector.position());
        }
        m_detector.detect(this, pSamples, nCount, false);
    }
    m_nDecoded += nCount;
}

void command_processor::dtmf::finish(unsigned int nChannelCount)
{
    // Reported now, not with the first audio of whatever stream comes next.
    if (m_forward != nullptr && (nChannelCount == 1 || m_pKeyForward != nullptr) &&
        m_detector.position() == m_nDecoded) {
        m_detector.detect(this, nullptr, 0, true);
    }
}

void command_processor::dtmf::set_handler(sigtools::dtmf_event* pHandler)
{
    m_forward = pHandler;
    m_pKeyForward = dynamic_cast<sigtools::dtmf_key_event*>(pHandler);
}

void command_processor::detect_dtmf(sigtools::dtmf_event* handler) { m_dtmf.set_handler(handler); }

void command_processor::stop()
{
    LOG_NOTE("Stop command has been received\n");
    s_Global.bQuit = true;
}

bool command_processor::isQuit() const { return s_Global.bQuit; }

void command_processor::suspend() { m_bActive.store(false, std::memory_order_relaxed); }

void command_processor::resume() { m_bActive.store(true, std::memory_order_relaxed); }

}  // namespace app
