// DTMF forwarding and the command operations a tone handler calls.
#include "api/log.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/globals.h"

namespace app {

command_processor::dtmf::dtmf() : m_detector(this), m_forward(nullptr) {}

command_processor::dtmf::~dtmf() = default;

void command_processor::dtmf::on_tone(int nTone)
{
    if (m_forward != nullptr) {
        m_forward->on_tone(nTone);
    }
}

void command_processor::detect_dtmf(sigtools::dtmf_event* handler) { m_dtmf.m_forward = handler; }

void command_processor::stop()
{
    LOG_NOTE("Stop command has been received\n");
    s_Global.bQuit = true;
}

bool command_processor::isQuit() const { return s_Global.bQuit; }

void command_processor::suspend() { m_bActive.store(false, std::memory_order_relaxed); }

void command_processor::resume() { m_bActive.store(true, std::memory_order_relaxed); }

}  // namespace app
